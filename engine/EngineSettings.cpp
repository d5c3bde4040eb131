#include <algorithm>

#include "engine/AudioSetupDialog.h"
#include "engine/EngineCore.h"

namespace engine {

namespace {

constexpr char kKeyMusicBufSize[] = "MusicBufSize";
constexpr char kKeyNumOutBufs[] = "NumOutBufs";
constexpr char kKeyDiskBufSize[] = "DiskBufSize";

constexpr int32_t kDefaultMusicBufSize = 4096;
constexpr int32_t kDefaultNumOutBufs = 12;
constexpr int32_t kDefaultDiskBufSize = 65536;
constexpr int32_t kStreamPriority = 1;

} // namespace

AudioSystemSetup EngineCore::readAudioSetup()
{
    std::lock_guard lock(settingsLock);
    // The section is loaded once; selecting it again only makes it current.
    settings.selectSection(kSettingsSection, true);
    // The file may have been edited by hand: sizes are kept within what the
    // Audio System Setup offers, since each start allocates buffers of them.
    using Dialog = AudioSetupDialog;
    return AudioSystemSetup{
        kAudioFormatCode,
        std::clamp(settings.getInt(kKeyMusicBufSize, kDefaultMusicBufSize), Dialog::kFirstMusicBufSize,
                   Dialog::kLastMusicBufSize),
        std::clamp(settings.getInt(kKeyNumOutBufs, kDefaultNumOutBufs), 1, Dialog::kNumOutBufsEntries),
        std::clamp(settings.getInt(kKeyDiskBufSize, kDefaultDiskBufSize), Dialog::kFirstDiskBufSize,
                   Dialog::kLastDiskBufSize),
        kStreamPriority,
        0};
}

void EngineCore::writeSettings()
{
    std::lock_guard lock(settingsLock);
    settings.selectSection(kSettingsSection, true);
    settings.setInt(kKeyMusicBufSize, audioSetup.musicBufSize);
    settings.setInt(kKeyNumOutBufs, audioSetup.numOutBufs);
    settings.setInt(kKeyDiskBufSize, audioSetup.diskBufSize);
    saveSelection();
    // Whatever saveSelection did, the engine's own section goes to the file.
    settings.selectSection(kSettingsSection, true);
    settings.saveSection();
}

} // namespace engine
