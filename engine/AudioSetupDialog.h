#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "api/PluginApi.h"
#include "zkr/Dialog.h"

namespace engine {

// "Audio System Setup": the three buffer sizes of an AudioSystemSetup, with
// an estimate of how much music the output buffers hold. Works on its own
// copy of the record; changed tells whether closing it altered the copy.
class AudioSetupDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 104;
    // Both buttons end the dialog with their id.
    static constexpr int kIdApply = 1;
    static constexpr int kIdClose = 2;
    static constexpr int kIdMusicBufSize = 1011;
    static constexpr int kIdNumOutBufs = 1013;
    static constexpr int kIdDiskBufSize = 1014;
    static constexpr int kIdBufferedTime = 1020;
    static constexpr int kIdDisplayScale = 1030;

    // The lists: sizes double from the first entry on.
    static constexpr int32_t kFirstMusicBufSize = 1024;
    static constexpr int kMusicBufSizeEntries = 6; // up to 32768
    static constexpr int kNumOutBufsEntries = 50;  // 1 to 50
    static constexpr int32_t kFirstDiskBufSize = 32768;
    static constexpr int kDiskBufSizeEntries = 4; // up to 262144
    static constexpr int32_t kLastMusicBufSize = kFirstMusicBufSize << (kMusicBufSizeEntries - 1);
    static constexpr int32_t kLastDiskBufSize = kFirstDiskBufSize << (kDiskBufSizeEntries - 1);

    // displayScale: the settings' display scale ("automatic", "1", "1.5", "2" or "3").
    AudioSetupDialog(const AudioSystemSetup& setup, const std::string& displayScale,
                     plat::ui::WindowHandle owner);

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;
    // Either button closes the dialog through here: the selections are taken over.
    bool onClose() override;

    // The text shown for the selected list indices (-1: no selection).
    static void bufferedTimeText(int musicBufSizeIndex, int numOutBufsIndex, char* out, std::size_t size);

    AudioSystemSetup setup;
    bool changed = false;
    std::string displayScale; // as chosen; shown from the next start
    bool displayScaleChanged = false;

private:
    int selection(int id) const;
    void showBufferedTime();
};

} // namespace engine
