#include <algorithm>

#include "engine/AudioSetupDialog.h"
#include "engine/EngineCore.h"
#include "platform/ui/Scale.h"

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
    // The section is loaded once; selecting it again only makes it current.
    const SettingsSection::Held store = settings_.hold();
    // The file may have been edited by hand: sizes are kept within what the
    // Audio System Setup offers, since each start allocates buffers of them.
    using Dialog = AudioSetupDialog;
    return AudioSystemSetup{
        kAudioFormatCode,
        std::clamp(store->getInt(kKeyMusicBufSize, kDefaultMusicBufSize), Dialog::kFirstMusicBufSize,
                   Dialog::kLastMusicBufSize),
        std::clamp(store->getInt(kKeyNumOutBufs, kDefaultNumOutBufs), 1, Dialog::kNumOutBufsEntries),
        std::clamp(store->getInt(kKeyDiskBufSize, kDefaultDiskBufSize), Dialog::kFirstDiskBufSize,
                   Dialog::kLastDiskBufSize),
        kStreamPriority,
        0};
}

void EngineCore::readDisplayScale()
{
    plat::ui::setPreferredScale(engine::readDisplayScale(settings_));
}

void EngineCore::writeSettings()
{
    const SettingsSection::Held store = settings_.hold();
    const AudioSystemSetup& setup = audio_.setup();
    static_cast<void>(store->setInt(kKeyMusicBufSize, setup.musicBufSize));
    static_cast<void>(store->setInt(kKeyNumOutBufs, setup.numOutBufs));
    static_cast<void>(store->setInt(kKeyDiskBufSize, setup.diskBufSize));
    slots_.saveSelection();
    // Whatever saveSelection did, the engine's own section goes to the file.
    static_cast<void>(store->selectSection(kEngineSection, true));
    static_cast<void>(store->saveSection());
}

} // namespace engine
