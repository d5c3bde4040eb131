#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/VisualModuleApi.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/ThreadSafety.h"
#include "platform/ui/Surface.h"
#include "plugins/brolet/Fft.h"
#include "zkr/MutexObject.h"
#include "zkr/ObjectBase.h"

namespace brolet {

// The visual modules of one folder ("*.svp", matched without regard to
// case) and the one of them that is loaded: bound by its full path, fed
// once per block with the data it asked for, drawing into a bottom-up
// picture of the display's size that is then copied into the frame.
//
// Threads: the list, load and unload belong to the window's thread, render
// to the streaming thread; the host mutex serialises loading, unloading and
// rendering (every wait on it is 50 ms). Failures are recorded and reported
// as the class library does (setError), named after the module file.
class VisualModuleHost : public zkr::ObjectBase {
public:
    static constexpr uint32_t kLockWaitMs = 50;

    VisualModuleHost();
    ~VisualModuleHost() override;

    // Lists the folder's modules (menu names: the file names) and takes
    // "visuals.ini" in it as the modules' settings file, or beside the
    // settings file when the folder is not writable. 0, or NoMatch, recorded
    // without a report, when there are none.
    int scan(const std::string& folder, int displayWidth, int displayHeight);
    int count() const { return int(paths_.size()); }
    // The file name, or the description once the module has been loaded.
    const std::string& menuName(int index) const { return menuNames_[std::size_t(index)]; }
    const std::string& settingsPath() const { return settingsPath_; }

    // Unloads the current module and loads module index: 0, or IndexOutOfRange (no such
    // module) and whatever loadFile answers.
    int load(int index);
    // Binds the module at path: 0, or NotImplemented (not an "svp" file), CannotUseResource (not a
    // loadable library), 10 (no QueryModule), 12 (no descriptor), 19 (no
    // memory for its data). Any failure leaves nothing loaded.
    int loadFile(const std::string& path);
    // Lets the module save its settings and releases it.
    void unload();
    bool loaded() const { return descriptor_ != nullptr; }
    // The loaded module's description ("" when it gives none).
    const std::string& description() const { return description_; }

    // Streaming thread: lets the loaded module draw the block over the
    // background (or black) and copies its picture into frame, top row
    // first, under frameLock. False, drawing nothing, when no module is
    // loaded or the host mutex stayed busy for 50 ms.
    bool render(const void* block, uint32_t bytes, const plat::ui::Surface* background,
                plat::ui::Surface& frame, plat::AnnotatedMutex& frameLock);

    int getName(char* buffer) override;

private:
    // Under the mutex: the steps of loadFile, answering its code.
    int bind(const std::string& path);
    void releaseModule();
    void fillData(const StereoBlock& block);
    // Waits in steps of 50 ms: loading and unloading must not give up.
    void lockForChange();

    zkr::MutexObject mutex_{false, ""};
    std::vector<std::string> paths_;
    std::vector<std::string> menuNames_;
    std::string settingsPath_;
    int width_ = 0;
    int height_ = 0;

    // The loaded module; everything below is touched under the mutex only.
    plat::DynamicLibrary library_;
    std::string file_;
    visual::VisualModuleDescriptor* descriptor_ = nullptr;
    bool wantsWaveform_ = false;
    bool wantsSpectrum_ = false;
    std::string description_;
    std::unique_ptr<RealFft> fft_;
    std::vector<float> samples_;
    std::vector<uint32_t> pixels_; // rows bottom-up, 0x00RRGGBB
    visual::VisualData data_{};
};

} // namespace brolet
