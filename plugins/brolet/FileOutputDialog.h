#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/FileSystems.h"
#include "zkr/Dialog.h"

namespace brolet {

// Bytes a second of the recordings (44100 Hz, 2 channels, 16 bits).
inline constexpr uint64_t kRecordingBytesPerSecond = 176400;

// How long a recording the free bytes hold, in whole seconds, as
// "%sh %smin %ss" with each number two digits at least: 1073741824 bytes
// give "01h 41min 26s".
std::string recordingTimeText(uint64_t freeBytes);

// The drive list's line of a file system: "* " before the one with the most
// free space, its mount point, "[%s] " with its kind, its recording time.
std::string driveLine(const plat::MountedFileSystem& fileSystem, bool mostFree);

// The file system with the most free space (the first of equals), or -1.
int mostFreeSpace(const std::vector<plat::MountedFileSystem>& fileSystems);

// "Configure Wavefile Writing": the output folder (chosen from the drive
// list or the folder browser) and the file name template. Works on its own
// copies; the caller takes them over when runModal answers OK.
class FileOutputDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 130;
    static constexpr int kIdDrives = 1010;
    static constexpr int kIdBrowse = 1011;
    static constexpr int kIdFolder = 1012;
    static constexpr int kIdTemplate = 1013;
    // The longest template the plug-in keeps (a settings field); folders
    // are kept whole.
    static constexpr int kTextLimit = 255;

    FileOutputDialog(std::string folder, std::string fileTemplate, plat::ui::WindowHandle owner);

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;
    // OK and Cancel both close through here: the template is read back.
    bool onClose() override;

    std::string folder;
    std::string fileTemplate;
    // The drive list's file systems, in its order.
    std::vector<plat::MountedFileSystem> drives;

private:
    void showFolder();
    void browse();
};

} // namespace brolet
