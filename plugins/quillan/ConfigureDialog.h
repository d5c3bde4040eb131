#pragma once

#include <cstdint>

#include "zkr/Dialog.h"

namespace quillan {

// "Configure Recording": the engine's block size (changed only in the Audio
// System Setup), the device's ring of 2, 4, 6 or 8 recording blocks and the
// shared buffer's ring that goes with it (index i of the list: 2i + 2
// recording blocks, 4i + 4 shared ones). Apply takes the choice over into the
// counts it was given, Close leaves them.
class ConfigureDialog : public zkr::Dialog {
public:
    static constexpr int kIdBufferSize = 1000;
    static constexpr int kIdRecordingBlocks = 1001;
    static constexpr int kIdSharedBlocks = 1002;
    static constexpr int kIdApply = 1003;

    static constexpr int recordingBlocksAt(int index) { return 2 * index + 2; }
    static constexpr int sharedBlocksAt(int index) { return 4 * index + 4; }

    ConfigureDialog(int32_t musicBufSize, int32_t& recordingBlocks, int32_t& sharedBlocks,
                    plat::ui::WindowHandle owner);

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;

private:
    int chosenIndex() const;
    void showSharedBlocks();

    const int32_t musicBufSize_;
    int32_t& recordingBlocks_;
    int32_t& sharedBlocks_;
};

} // namespace quillan
