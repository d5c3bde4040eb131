#include "plugins/tindle/PreRecorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/UserFolders.h"
#include "platform/ui/Colour.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/tindle/RecorderLayout.h"
#include "plugins/tindle/RecorderSetupDialog.h"
#include "plugins/tindle/StripControls.h"
#include "plugins/tindle/EngineLink.h"
#include "zkr/BitmapButton.h"
#include "zkr/FileDialog.h"
#include "zkr/LampControl.h"
#include "zkr/NameField.h"
#include "zkr/Text.h"

namespace tindle {

namespace {

namespace layout = recorder;

constexpr char kSaveTitle[] = "Save wave as";
constexpr char kWaveFilter[] = "PCM Wave Audio\0*.wav\0";
// Gap between the main window and the pre-recorder placed beside it.
constexpr int kBesideGap = 4;
// Names tried before a proposal gives up looking for a free one.
constexpr int kMostNameDraws = 1 << 16;

plat::ui::Rect rectOf(const Box& box)
{
    return plat::ui::Rect::fromSize(box.x, box.y, box.width, box.height);
}

// The scope's place in the window: it shows the scope's own picture.
class ScopeDisplay : public zkr::Control {
public:
    ScopeDisplay(zkr::UserInterface* owner, const zkr::WaveformPicture& picture)
        : zkr::Control(owner), picture_(picture)
    {
        rect = rectOf(layout::kScope);
        width = layout::kScope.width;
        height = layout::kScope.height;
        region = plat::ui::Region(rect);
    }

    void paint(plat::ui::Painter* dc) override
    {
        if (dc != nullptr && picture_.hasBitmap())
            picture_.picture().blitAll(*dc, rect.left, rect.top);
    }

private:
    const zkr::WaveformPicture& picture_;
};

} // namespace

PreRecorder::PreRecorder(EngineLink& engineLink)
    : recordingsFolder(plat::recordingsFolder()), nameNumbers(std::random_device{}()),
      engineLink_(engineLink), scope_(layout::kScope.width, layout::kScope.height)
{
    if (inputDevice.deviceCount > 0)
        inputDevice.selectDevice(0);
    inputDevice.setFormat(kSampleRate, 1, kBitsPerSample);
    inputDevice.dataCallback = &PreRecorder::onRecordedBlock;
    inputDevice.dataContext = this;
    scope_.style = zkr::WaveformPicture::kStyleLine;
    scope_.leftPen = plat::ui::Pen::solid(plat::ui::rgb(0x52, 0xE0, 0x8C));
    scope_.rightPen = plat::ui::Pen::solid(plat::ui::rgb(0xFF, 0xB0, 0x45));
    scope_.allocateColumns();
    scope_.sourceFormat = inputDevice.format;
    scope_.scale = scope_.height() / inputDevice.format.channels / 2;
}

PreRecorder::~PreRecorder()
{
    endWindow();
    // Without a window (it was never made) a recording may still run.
    if (recording())
        finishRecording();
}

// ---------------------------------------------------------------------------
// From the main window (its thread)

bool PreRecorder::open(plat::ui::WindowHandle mainWindow)
{
    if (window != nullptr && plat::ui::isWindow(window))
        return true;
    mainWindow_ = mainWindow;
    parent = mainWindow;
    closingAllowed_ = false;
    zkr::WindowDescription description;
    zkr::copyText(description.className, kClassName);
    zkr::copyText(description.title, kCaption);
    description.width = layout::kWindowWidth;
    description.height = layout::kWindowHeight;
    // A window made again (the player's window is made anew) registers its class anew.
    unregisterClass();
    return create(true, description, zkr::ownModule(), plat::ui::kShowHide) == 0;
}

void PreRecorder::toggle()
{
    if (window == nullptr)
        return;
    if (plat::ui::isWindowVisible(window)) {
        plat::ui::showWindow(window, plat::ui::kShowHide);
        return;
    }
    // While it records, the label goes on naming the file being written.
    if (!recording())
        proposeName();
    placeBesideMainWindow();
    plat::ui::showWindow(window, plat::ui::kShowNormal);
}

void PreRecorder::closeForGood()
{
    closingAllowed_ = true;
    if (window == nullptr)
        return;
    const plat::ui::WindowHandle closing = window;
    plat::ui::sendMessage(closing, plat::ui::kMsgClose, 0, 0);
    if (plat::ui::isWindow(closing))
        (void)plat::ui::destroyWindow(closing);
}

void PreRecorder::placeBesideMainWindow()
{
    plat::ui::Rect main;
    plat::ui::Rect own;
    if (mainWindow_ == nullptr || !plat::ui::windowRect(mainWindow_, main) ||
        !plat::ui::windowRect(window, own))
        return;
    int x = main.right + kBesideGap;
    // No room on the right: the left side.
    if (x + own.width() > plat::ui::screenSize().width)
        x = std::max(main.left - kBesideGap - own.width(), 0);
    (void)plat::ui::setWindowPos(window, x, main.top, 0, 0,
                                 plat::ui::kPosNoSize | plat::ui::kPosNoZOrder | plat::ui::kPosNoActivate);
}

// ---------------------------------------------------------------------------
// Start-up and closing

zkr::BitmapButton* PreRecorder::addButton(int id, unsigned bitmap, int x, int y, const char* tooltip)
{
    auto button = std::make_unique<zkr::BitmapButton>(this);
    button->place(x, y, images_.load(bitmap));
    zkr::copyText(button->tooltip, tooltip);
    return &addControl(std::move(button), kControlMessage, static_cast<uint32_t>(id));
}

bool PreRecorder::createStageOne()
{
    images_.clear();
    if (!zkr::applySkin(*this, images_, layout::kSkinBitmap, layout::kMaskBitmap))
        return false;
    scope_.backgroundBitmap = images_.load(layout::kScopeBitmap);
    scope_.render(nullptr);
    auto display = std::make_unique<ScopeDisplay>(this, scope_);
    display->hasTooltip = false;
    addControl(std::move(display), 0, kScopeId);

    startButton_ = addButton(kStartId, layout::kStartButtonBitmap, layout::kStartButton.x,
                             layout::kStartButton.y, "start recording");
    stopButton_ = addButton(kStopId, layout::kStopButtonBitmap, layout::kStopButton.x, layout::kStopButton.y,
                            "stop recording");
    browseButton_ = addButton(kBrowseId, layout::kBrowseButtonBitmap, layout::kBrowseButton.x,
                              layout::kBrowseButton.y, "browse output file...");

    auto indicator = std::make_unique<zkr::LampControl>(this);
    indicator->place(layout::kIndicator.x, layout::kIndicator.y, images_.load(layout::kLampLitBitmap),
                     images_.load(layout::kLampDarkBitmap));
    indicator->hasTooltip = false;
    indicator_ = &addControl(std::move(indicator), 0, kIndicatorId);

    auto fileLabel = std::make_unique<zkr::NameField>(this);
    fileLabel->place(layout::kFileField.rect(), layout::kFileText.rect(),
                     images_.load(layout::kFileFieldBitmap));
    fileLabel->twoLines = true;
    fileLabel->setText(outputFile_.empty() ? kNoFileName : plat::fileNameOf(outputFile_).c_str());
    fileLabel->hasTooltip = false;
    fileLabel_ = &addControl(std::move(fileLabel), 0, kFileLabelId);
    return !images_.failed();
}

int PreRecorder::finishCreate()
{
    showRecordingState(recording());
    handle_ = window;
    return 0;
}

void PreRecorder::beforeDestroy()
{
    handle_ = nullptr;
    // The main window is going: what was recorded is kept, but nobody takes it over.
    if (recording())
        finishRecording();
    startButton_ = nullptr;
    stopButton_ = nullptr;
    browseButton_ = nullptr;
    indicator_ = nullptr;
    fileLabel_ = nullptr;
    scope_.backgroundBitmap = nullptr;
}

bool PreRecorder::onClose()
{
    // The user hides the window with the player's button; only the player closes it.
    return closingAllowed_;
}

// ---------------------------------------------------------------------------
// Messages (the window's thread)

intptr_t PreRecorder::onUserMessage(uint32_t message, intptr_t, uintptr_t wparam)
{
    switch (message) {
    case kScopeMessage:
        refreshScope();
        return 0;
    case kControlMessage:
        switch (static_cast<int>(wparam)) {
        case kStartId:
            startRecording();
            break;
        case kStopId:
            stopRecording();
            break;
        case kBrowseId:
            browse();
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}

void PreRecorder::onDoubleClick(intptr_t point, uintptr_t keys)
{
    // Every control here is a button: a quick second click is a click as well.
    onMouseDown(point, keys);
}

void PreRecorder::onControlContextMenu(zkr::Control* control, int, int)
{
    if (control == nullptr && !recording())
        configure();
}

// ---------------------------------------------------------------------------
// The output file

void PreRecorder::setOutputFile(const std::string& path, bool proposed)
{
    outputFile_ = path;
    proposedName_ = proposed;
    if (fileLabel_ != nullptr)
        fileLabel_->setText(plat::fileNameOf(path).c_str());
}

void PreRecorder::proposeName()
{
    std::uniform_int_distribution<int> number(0, 32767);
    std::string path;
    for (int draw = 0; draw < kMostNameDraws; ++draw) {
        char name[32];
        std::snprintf(name, sizeof name, kNameTemplate, number(nameNumbers));
        path = plat::joinPath(recordingsFolder, name);
        if (!plat::fileExists(path) && !plat::folderExists(path))
            break;
    }
    setOutputFile(path, true);
}

bool PreRecorder::browse()
{
    zkr::FileDialog dialog;
    dialog.module = zkr::ownModule();
    dialog.owner = window;
    dialog.openMode = false;
    dialog.title = kSaveTitle;
    (void)dialog.setFilter(kWaveFilter);
    dialog.defaultExtension = "wav";
    dialog.initialFolder = plat::folderOf(outputFile_);
    dialog.file = plat::fileNameOf(outputFile_);
    // The dialog asks before a file that exists is replaced.
    if (!dialog.run())
        return false;
    setOutputFile(dialog.file, false);
    return true;
}

// ---------------------------------------------------------------------------
// Recording

int PreRecorder::startRecording()
{
    if (recording())
        return toWire(engine::Error::Ok);
    const engine::AudioSystemSetup audio = engineLink_.audioRecord();
    // A proposed name never replaces a file, not even one made since it was proposed.
    if (outputFile_.empty() || (proposedName_ && plat::fileExists(outputFile_)))
        proposeName();
    const std::string folder = plat::folderOf(outputFile_);
    // A folder that cannot be made fails the file's creation below.
    if (!folder.empty() && !plat::folderExists(folder))
        (void)plat::createFolder(folder);

    if (inputDevice.allocateBlocks(kBlockCount, static_cast<uint32_t>(std::max(audio.musicBufSize, 0))) !=
        toWire(engine::Error::Ok))
        return inputDevice.lastError;
    if (inputDevice.openDevice(inputDevice.deviceId, nullptr) != toWire(engine::Error::Ok)) {
        inputDevice.releaseBlocks();
        return inputDevice.lastError;
    }
    auto file = std::make_unique<zkr::MultimediaFile>();
    const auto abandon = [&](int error, bool created) {
        inputDevice.closeDevice();
        file.reset();
        recordingFile_.reset();
        // A file that never held a recording is not left behind.
        if (created)
            (void)plat::deleteFile(outputFile_); // best effort: error is what counts
        inputDevice.releaseBlocks();
        return error;
    };
    // A proposed name is created here and now, never followed nor replaced:
    // one taken since it was proposed gives way to another.
    if (proposedName_) {
        file->silent = true;
        int created = file->attach(outputFile_.c_str(), zkr::MultimediaFile::kModeCreateNew);
        for (int draw = 0;
             created != toWire(engine::Error::Ok) && file->openError == EEXIST && draw < kMostNameDraws;
             ++draw) {
            proposeName();
            created = file->attach(outputFile_.c_str(), zkr::MultimediaFile::kModeCreateNew);
        }
        file->silent = false;
        if (created != toWire(engine::Error::Ok)) {
            file->setError(created); // told once, not for every name tried
            return abandon(created, false);
        }
    } else if (file->attach(outputFile_.c_str(), zkr::MultimediaFile::kModeCreate) !=
               toWire(engine::Error::Ok)) {
        // The save dialog asked before a chosen file is replaced.
        return abandon(file->lastError, false);
    }
    const zkr::WaveFormat& format = inputDevice.format;
    if (file->setDiskBuffer(audio.diskBufSize) != toWire(engine::Error::Ok) ||
        file->buildHeader(0, format.samplesPerSecond, format.channels, format.bitsPerSample) !=
            toWire(engine::Error::Ok) ||
        file->writeHeader() != toWire(engine::Error::Ok))
        return abandon(file->lastError, true);

    // From here on write errors are only counted: the recording goes on.
    file->silent = true;
    inputDevice.stopping = false;
    bytesRecorded_ = 0;
    failedWrites_ = 0;
    {
        plat::ScopedLock lock(scopeLock_);
        scopeBlock_.assign(inputDevice.blockSize, 0);
        scopeBytes_ = 0;
    }
    recordingFile_ = std::move(file);
    recordingPath_ = outputFile_;
    if (inputDevice.start() != toWire(engine::Error::Ok) ||
        inputDevice.queueAll() != toWire(engine::Error::Ok)) {
        const int error = inputDevice.lastError;
        inputDevice.stop();
        return abandon(error, true);
    }
    showRecordingState(true);
    return toWire(engine::Error::Ok);
}

void PreRecorder::onRecordedBlock(void* context, const uint8_t* data, uint32_t bytes)
{
    auto* self = static_cast<PreRecorder*>(context);
    int32_t written = 0;
    if (self->recordingFile_->write(data, static_cast<int32_t>(bytes), &written) != toWire(engine::Error::Ok))
        self->failedWrites_.fetch_add(1);
    self->bytesRecorded_.fetch_add(static_cast<uint32_t>(std::max(written, 0)));
    {
        plat::ScopedLock lock(self->scopeLock_);
        const uint32_t copied = std::min<uint32_t>(bytes, static_cast<uint32_t>(self->scopeBlock_.size()));
        std::memcpy(self->scopeBlock_.data(), data, copied);
        self->scopeBytes_ = copied;
    }
    // One refresh waits in the window's queue at a time; it draws the latest block.
    if (self->scopeRefreshPosted_.exchange(true))
        return;
    const plat::ui::WindowHandle target = self->handle_.load();
    if (target == nullptr || !plat::ui::postMessage(target, kScopeMessage, 0, 0))
        self->scopeRefreshPosted_ = false;
}

bool PreRecorder::finishRecording()
{
    inputDevice.stopping = true;
    if (!inputDevice.allFree())
        (void)inputDevice.allDone.wait(kAllDoneWaitMs);
    (void)inputDevice.allDone.reset();
    if (inputDevice.stop() != toWire(engine::Error::Ok))
        return false;
    inputDevice.closeDevice();
    // Only what reached the disk is counted in the header.
    (void)recordingFile_->finish(bytesRecorded_.load());
    lastRecordingBytes_ = recordingFile_->header.dataSize;
    (void)recordingFile_->detach();
    recordingFile_.reset();
    inputDevice.releaseBlocks();
    return true;
}

int PreRecorder::stopRecording()
{
    if (!recording())
        return toWire(engine::Error::Ok);
    if (!finishRecording())
        return inputDevice.lastError;
    clearScope();
    showRecordingState(false);
    lastRecording = recordingPath_;
    lastRecordingChannels = inputDevice.format.channels;
    handOver();
    if (window != nullptr)
        plat::ui::showWindow(window, plat::ui::kShowHide);
    return toWire(engine::Error::Ok);
}

void PreRecorder::handOver()
{
    if (mainWindow_ != nullptr && plat::ui::isWindow(mainWindow_))
        plat::ui::sendMessage(mainWindow_, kLoadRecordingMessage, 0, 0);
    // The player refuses a recording without samples (its data chunk is
    // empty): there is nothing in it to keep.
    if (lastRecordingBytes_ == 0)
        (void)plat::deleteFile(lastRecording); // best effort: an empty file is harmless
}

void PreRecorder::showRecordingState(bool on)
{
    const auto enable = [](zkr::BitmapButton* button, bool enabled) {
        if (button == nullptr)
            return;
        button->enabled = enabled;
        button->setState(zkr::Control::kStateNormal);
        button->repaint();
    };
    enable(startButton_, !on);
    enable(browseButton_, !on);
    enable(stopButton_, on);
    if (indicator_ != nullptr)
        indicator_->setLit(on);
}

// ---------------------------------------------------------------------------
// Input and scope

void PreRecorder::configure()
{
    if (recording())
        return;
    RecorderSetupDialog dialog(
        inputDevice, [this](int device, int channels) { applyInput(device, channels); }, window);
    (void)dialog.runModal(); // OK applies the choice itself
}

void PreRecorder::applyInput(int device, int channels)
{
    inputDevice.selectDevice(device);
    inputDevice.setFormat(kSampleRate, static_cast<uint16_t>(channels == 2 ? 2 : 1), kBitsPerSample);
    scope_.sourceFormat = inputDevice.format;
    scope_.scale = scope_.height() / inputDevice.format.channels / 2;
    clearScope();
}

void PreRecorder::refreshScope()
{
    scopeRefreshPosted_ = false;
    {
        plat::ScopedLock lock(scopeLock_);
        scope_.feed(scopeBlock_.data(), scopeBytes_);
    }
    repaintScope();
}

void PreRecorder::clearScope()
{
    {
        plat::ScopedLock lock(scopeLock_);
        scopeBytes_ = 0;
    }
    scope_.clearColumns();
    repaintScope();
}

void PreRecorder::repaintScope()
{
    scope_.render(nullptr);
    if (window == nullptr)
        return;
    const plat::ui::Rect place = rectOf(layout::kScope);
    (void)plat::ui::invalidateRect(window, &place, false);
}

} // namespace tindle
