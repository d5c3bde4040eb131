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
    // Values are taken as they stand: the mixer refuses a size it cannot use.
    return AudioSystemSetup{kAudioFormatCode,
                            settings.getInt(kKeyMusicBufSize, kDefaultMusicBufSize),
                            settings.getInt(kKeyNumOutBufs, kDefaultNumOutBufs),
                            settings.getInt(kKeyDiskBufSize, kDefaultDiskBufSize),
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
