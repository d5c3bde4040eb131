#include "plugins/brolet/VisualModuleHost.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/UserFolders.h"
#include "zkr/MutexLock.h"
#include "zkr/Text.h"

namespace brolet {

namespace {

constexpr char kModulePattern[] = "*.svp";
constexpr char kModuleExtension[] = "SVP";
constexpr char kSettingsFile[] = "visuals.ini";

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// Frees the mutex on every way out of a scope that took it.
class HeldMutex {
public:
    explicit HeldMutex(zkr::MutexObject& mutex) : mutex_(mutex) {}
    HeldMutex(const HeldMutex&) = delete;
    HeldMutex& operator=(const HeldMutex&) = delete;
    ~HeldMutex() { (void)mutex_.release(); }

private:
    zkr::MutexObject& mutex_;
};

} // namespace

VisualModuleHost::VisualModuleHost()
{
    kind = zkr::kKindDirectDraw;
}

VisualModuleHost::~VisualModuleHost()
{
    unload();
}

int VisualModuleHost::getName(char* buffer)
{
    if (buffer != nullptr && !file_.empty()) {
        zkr::copyText(buffer, zkr::kObjectNameSize, file_.c_str());
        return kind;
    }
    return ObjectBase::getName(buffer);
}

int VisualModuleHost::scan(const std::string& folder, int displayWidth, int displayHeight)
{
    width_ = displayWidth;
    height_ = displayHeight;
    // An installed program's folder belongs to the system: each user keeps
    // the modules' settings of their own beside the settings file.
    settingsPath_ = plat::joinPath(plat::userFilesFolderFor(folder), kSettingsFile);
    paths_.clear();
    menuNames_.clear();
    for (const std::string& name : plat::listFolder(folder, kModulePattern)) {
        paths_.push_back(plat::joinPath(folder, name));
        menuNames_.push_back(name);
    }
    if (paths_.empty()) {
        // An empty folder is no failure worth a message: the menu is just off.
        lastError = toWire(engine::Error::NoMatch);
        return lastError;
    }
    clearError();
    return 0;
}

int VisualModuleHost::load(int index)
{
    if (index < 0 || index >= count()) {
        file_.clear();
        setError(toWire(engine::Error::IndexOutOfRange));
        return lastError;
    }
    const int result = loadFile(paths_[std::size_t(index)]);
    if (result == 0 && !description_.empty())
        menuNames_[std::size_t(index)] = description_;
    return result;
}

int VisualModuleHost::loadFile(const std::string& path)
{
    unload();
    int result;
    {
        lockForChange();
        HeldMutex held(mutex_);
        file_ = plat::fileNameOf(path);
        result = bind(path);
        if (result != 0)
            releaseModule();
    }
    // Reported once the mutex is free, so the streaming thread does not
    // wait on it while the message is shown.
    if (result != 0) {
        setError(result);
        return result;
    }
    clearError();
    return 0;
}

int VisualModuleHost::bind(const std::string& path)
{
    const std::string extension = plat::extensionOf(path);
    if (extension.empty() || upperCase(extension.substr(1)) != kModuleExtension)
        return toWire(engine::Error::NotImplemented);
    if (!library_.load(path))
        return toWire(engine::Error::CannotUseResource);
    const auto query = library_.function<visual::QueryModuleFn>(visual::kQueryModuleExport);
    if (query == nullptr)
        return toWire(engine::Error::CorruptExports);
    visual::VisualModuleDescriptor* descriptor = query();
    // A descriptor that cannot draw is as good as none.
    if (descriptor == nullptr || descriptor->render == nullptr)
        return toWire(engine::Error::PluginInitFailed);
    wantsWaveform_ = (descriptor->flags & visual::kWantsWaveform) != 0;
    wantsSpectrum_ = (descriptor->flags & visual::kWantsSpectrum) != 0;
    if (descriptor->initialise != nullptr)
        descriptor->initialise();
    if (descriptor->loadSettings != nullptr)
        descriptor->loadSettings(settingsPath_.c_str());
    try {
        fft_ = std::make_unique<RealFft>(2 * visual::kSpectrumBins);
        samples_.assign(std::size_t(2 * visual::kSpectrumBins), 0.0f);
        pixels_.assign(std::size_t(std::max(width_, 0)) * std::size_t(std::max(height_, 0)), 0);
        description_ = descriptor->description != nullptr ? descriptor->description : "";
    } catch (const std::bad_alloc&) {
        return toWire(engine::Error::OutOfMemory);
    }
    descriptor_ = descriptor;
    return 0;
}

void VisualModuleHost::unload()
{
    if (!library_.isLoaded())
        return;
    lockForChange();
    HeldMutex held(mutex_);
    visual::VisualModuleDescriptor* descriptor = descriptor_;
    descriptor_ = nullptr;
    if (descriptor != nullptr && descriptor->saveSettings != nullptr) {
        // The settings file's folder is made on its first write.
        (void)plat::createFolder(plat::folderOf(settingsPath_)); // the module reports its own failure
        descriptor->saveSettings(settingsPath_.c_str());
    }
    releaseModule();
}

void VisualModuleHost::releaseModule()
{
    descriptor_ = nullptr;
    library_.release();
    description_.clear();
    fft_.reset();
    samples_ = {};
    pixels_ = {};
}

void VisualModuleHost::lockForChange()
{
    while (!mutex_.wait(kLockWaitMs)) {
    }
}

bool VisualModuleHost::render(const void* block, uint32_t bytes, const plat::ui::Surface* background,
                              plat::ui::Surface& frame, plat::AnnotatedMutex& frameLock)
{
    zkr::MutexLock lock(mutex_, kLockWaitMs);
    if (!lock.owned() || descriptor_ == nullptr || width_ < 1 || height_ < 1)
        return false;
    fillData(StereoBlock(block, bytes));

    // The module's picture is bottom-up: memory row r is picture row height - 1 - r.
    const bool hasBackground =
        background != nullptr && background->width() >= width_ && background->height() >= height_;
    for (int r = 0; r < height_; ++r) {
        uint32_t* row = pixels_.data() + std::size_t(r) * std::size_t(width_);
        if (!hasBackground) {
            std::fill(row, row + width_, 0u);
            continue;
        }
        const plat::ui::Argb* source = background->row(height_ - 1 - r);
        for (int x = 0; x < width_; ++x)
            row[x] = source[x] & 0x00FFFFFFu;
    }
    descriptor_->render(pixels_.data(), width_, height_, width_, &data_);

    plat::ScopedLock frameHeld(frameLock);
    if (frame.width() < width_ || frame.height() < height_)
        return false;
    for (int y = 0; y < height_; ++y) {
        const uint32_t* source = pixels_.data() + std::size_t(height_ - 1 - y) * std::size_t(width_);
        plat::ui::Argb* target = frame.row(y);
        for (int x = 0; x < width_; ++x)
            target[x] = 0xFF000000u | source[x];
    }
    return true;
}

void VisualModuleHost::fillData(const StereoBlock& block)
{
    std::memset(&data_, 0, sizeof data_);
    data_.blockCount = 1;
    if (wantsWaveform_) {
        for (uint32_t i = 0; i < uint32_t(visual::kWaveformFilled); ++i) {
            for (int channel = 0; channel < 2; ++channel)
                data_.waveform[channel][i] =
                    int8_t(block.spread(i, visual::kWaveformFilled, channel) * 127 / 32768);
        }
    }
    if (wantsSpectrum_) {
        const uint32_t points = uint32_t(fft_->size());
        for (uint32_t i = 0; i < points; ++i)
            samples_[i] = block.spread(i, points, 0);
        fft_->transform(samples_.data());
        for (int bin = 0; bin < visual::kSpectrumBins; ++bin) {
            const auto value = uint8_t(fft_->magnitudePercent(bin) * 255 / 100);
            data_.spectrum[0][bin] = value;
            data_.spectrum[1][bin] = value;
        }
    }
}

} // namespace brolet
