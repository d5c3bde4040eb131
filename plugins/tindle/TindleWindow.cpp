#include "plugins/tindle/TindleWindow.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/tindle/Layout.h"
#include "plugins/tindle/PropertiesDialog.h"
#include "plugins/tindle/StripControls.h"
#include "plugins/tindle/WaveformImage.h"
#include "zkr/Application.h"
#include "zkr/BitmapButton.h"
#include "zkr/List.h"
#include "zkr/NameField.h"
#include "zkr/ProgressDialog.h"
#include "zkr/Registry.h"
#include "zkr/Text.h"
#include "zkr/ToggleButton.h"
#include "zkr/WaveformPicture.h"

namespace tindle {

namespace {

// What a window whose start-up failed reports (above 0 fails the creation).
constexpr int kStartFailed = 18;

// The name after the last "/".
std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The channel whose strip holds the point, or -1.
int stripAt(int x, int y)
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const Box panel = inStrip(kStripPanel, channel);
        if (plat::ui::Rect::fromSize(panel.x, panel.y, panel.width, panel.height).contains(x, y))
            return channel;
    }
    return -1;
}

} // namespace

TindleWindow::TindleWindow(EngineLink& engineLink, ChannelSet& channels)
    : preRecorder(engineLink), engineLink_(engineLink), channels_(channels)
{
}

TindleWindow::~TindleWindow()
{
    // The controls are used by the window until it is gone.
    endWindow();
}

// ---------------------------------------------------------------------------
// From the plug-in object

bool TindleWindow::open(int showCommand)
{
    if (window != nullptr && plat::ui::isWindow(window))
        return true;
    if (!openWindow(kClassName, kTitle, kIcon, kCursor, showCommand))
        return false;
    // Hidden until the user asks for it; the player works without it.
    preRecorder.open(window);
    return true;
}

// ---------------------------------------------------------------------------
// Start-up

template <typename Button>
Button* TindleWindow::addButton(int id, unsigned bitmap, const Box& place, const char* tooltip)
{
    auto button = std::make_unique<Button>(this);
    button->place(place.x, place.y, images_.load(bitmap));
    zkr::copyText(button->tooltip, tooltip);
    return &addControl(std::move(button), kControlMessage, static_cast<uint32_t>(id));
}

void TindleWindow::addStrip(int n)
{
    Strip& strip = strips_[std::size_t(n)];
    auto at = [n](const Box& box) { return inStrip(box, n); };
    strip.open = addButton<zkr::BitmapButton>(kOpenId + n, kOpenButtonBitmap, at(kOpenButton), "open file");
    strip.close = addButton<zkr::BitmapButton>(kCloseFileId + n, kCloseFileButtonBitmap, at(kCloseFileButton),
                                               "close file");
    strip.play =
        addButton<zkr::ToggleButton>(kPlayId + n, kPlayButtonBitmap, at(kPlayButton), "play/stop track");
    strip.pause =
        addButton<zkr::ToggleButton>(kPauseId + n, kPauseButtonBitmap, at(kPauseButton), "pause track");
    // Play and pause show the channel's state, not their clicks.
    strip.play->toggleable = false;
    strip.pause->toggleable = false;
    // Over the display's left end: added first, so the mouse finds it there, and painted by the display on
    // top.
    strip.properties = addButton<zkr::BitmapButton>(kPropertiesId + n, kPropertiesButtonBitmap,
                                                    at(kPropertiesButton), "file properties");

    auto title = std::make_unique<zkr::NameField>(this);
    title->place(at(kTitleField).rect(), kTitleText.rect(), images_.load(kTitleFieldBitmap));
    title->twoLines = true;
    zkr::copyText(title->tooltip, "the channel's file");
    strip.title = &addControl(std::move(title), 0, static_cast<uint32_t>(kTitleId + n));

    auto display = std::make_unique<WaveformDisplay>(this);
    display->place(at(kDisplay));
    display->overlay = strip.properties;
    zkr::copyText(display->tooltip, "the file's waveform and play position");
    strip.display = &addControl(std::move(display), 0, static_cast<uint32_t>(kDisplayId + n));

    strip.sync =
        addButton<zkr::ToggleButton>(kSyncId + n, kSyncButtonBitmap, at(kSyncButton), "syncronize track");
    strip.loop =
        addButton<zkr::ToggleButton>(kLoopId + n, kLoopButtonBitmap, at(kLoopButton), "loop forever");
}

bool TindleWindow::createStageOne()
{
    images_.clear();
    if (!zkr::applySkin(*this, images_, kSkinBitmap, kMaskBitmap))
        return false;
    for (int channel = 0; channel < kChannelCount; ++channel)
        addStrip(channel);
    addButton<zkr::BitmapButton>(kPreRecorderId, kPreRecorderButtonBitmap, kPreRecorderButton,
                                 "toggle pre-recorder");
    addButton<zkr::BitmapButton>(kHelpId, kHelpButtonBitmap, kHelpButton, "help");
    addButton<zkr::BitmapButton>(kCloseId, kCloseButtonBitmap, kCloseButton, "close");
    (void)images_.load(kDisplayBitmap); // a failure shows in failed()
    return !images_.failed();
}

int TindleWindow::finishCreate()
{
    fileDialog_.module = zkr::ownModule();
    fileDialog_.owner = window;
    fileDialog_.openMode = true;
    if (!fileDialog_.setFilter("PCM Wave Audio\0*.wav\0"))
        return kStartFailed;
    if (zkr::settingsSection(kSettingsSection) != nullptr)
        (void)zkr::Registry::restorePosition(window, kPositionKey); // else it stays where it was made
    // What was posted to an earlier window of this object went with it.
    for (int channel = 0; channel < kChannelCount; ++channel) {
        refreshPosted_[std::size_t(channel)] = false;
        PendingCursor& pending = pendingCursors_[std::size_t(channel)];
        plat::ScopedLock lock(pending.lock);
        pending.moves = {};
    }
    handle_ = window;
    for (int channel = 0; channel < kChannelCount; ++channel)
        showStrip(channel);
    return 0;
}

void TindleWindow::beforeDestroy()
{
    handle_ = nullptr;
    strips_ = {};
}

// ---------------------------------------------------------------------------
// Closing

bool TindleWindow::onClose()
{
    if (!destroying) {
        // The user's close: the engine unloads the plug-in, which closes the window for good.
        requestUnload();
        return false;
    }
    preRecorder.closeForGood();
    if (zkr::Registry* settings = zkr::settingsSection(kSettingsSection)) {
        (void)zkr::Registry::savePosition(window, kPositionKey); // the store reports a failure
        (void)settings->saveSection();                           // the store reports a failure
    }
    return true;
}

void TindleWindow::requestUnload()
{
    if (engineLink_.internalCallback == nullptr)
        return;
    engine::EngineRequest request{};
    request.pluginHandle = engineLink_.pluginHandle;
    engineLink_.internalCallback(&request, toWire(engine::Request::UnloadMe));
}

// ---------------------------------------------------------------------------
// Messages (the window's thread)

intptr_t TindleWindow::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    const int channel = static_cast<int>(wparam);
    switch (message) {
    case kControlMessage:
        onControl(static_cast<int>(wparam));
        break;
    case kRefreshMessage:
        if (channel >= 0 && channel < kChannelCount) {
            refreshPosted_[std::size_t(channel)] = false;
            showStrip(channel);
        }
        break;
    case kCursorMessage:
        if (channel >= 0 && channel < kChannelCount)
            moveCursor(channel);
        break;
    case PreRecorder::kLoadRecordingMessage:
        channels_.loadRecording(preRecorder.lastRecording, preRecorder.lastRecordingChannels);
        break;
    default:
        return PluginWindow::onUserMessage(message, lparam, wparam);
    }
    return 0;
}

void TindleWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    // Every control here is a button: a quick second click is a click as well.
    onMouseDown(point, keys);
}

void TindleWindow::onControl(int id)
{
    const int channel = (id - 1) % kChannelCount;
    switch (id) {
    case kPreRecorderId:
        preRecorder.toggle();
        return;
    case kHelpId:
        if (zkr::theApplication != nullptr)
            zkr::theApplication->showHelp(helpTopic, 0);
        return;
    case kCloseId:
        // Posted: the window must not go while its button is still handling the click.
        (void)plat::ui::postMessage(window, plat::ui::kMsgClose, 0, 0);
        return;
    default:
        break;
    }
    const Strip& strip = strips_[std::size_t(channel)];
    switch ((id - 1) / kChannelCount * kChannelCount + 1) {
    case kOpenId:
        chooseFile(channel);
        break;
    case kCloseFileId:
        channels_.close(channel);
        break;
    case kPlayId:
        channels_.playStop(channel);
        break;
    case kPauseId:
        channels_.pause(channel);
        break;
    case kSyncId:
        channels_.setSynchronised(channel, strip.sync->on);
        break;
    case kLoopId:
        channels_.setLoop(channel, strip.loop->on);
        break;
    case kPropertiesId:
        showProperties(channel);
        break;
    default:
        break;
    }
}

bool TindleWindow::dispatchDrop(int x, int y, const std::vector<std::string>& files)
{
    const int channel = stripAt(x, y);
    // Only a strip takes a file; elsewhere the drop is let go without a word.
    if (channel >= 0 && !files.empty())
        channels_.open(channel, files.front().c_str());
    return true;
}

// ---------------------------------------------------------------------------
// Commands

void TindleWindow::chooseFile(int channel)
{
    fileDialog_.title = "Open Wave Ch" + std::to_string(channel + 1) + "...";
    if (fileDialog_.run())
        channels_.open(channel, fileDialog_.file);
}

void TindleWindow::showProperties(int channel)
{
    const ChannelRecord& record = channels_.record(channel);
    // Only this thread closes files, so the file stays while the dialog shows.
    if (!record.loaded || !record.owner || record.file == nullptr)
        return;
    PropertiesDialog dialog(*record.file, record.path, window);
    (void)dialog.runModal(); // it only shows the file
}

// ---------------------------------------------------------------------------
// The strips

void TindleWindow::refreshStrip(int channel)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    const plat::ui::WindowHandle target = handle_.load();
    // One refresh waiting is enough: it shows the record as it is then.
    if (target != nullptr && !refreshPosted_[std::size_t(channel)].exchange(true))
        // The window may have closed.
        (void)plat::ui::postMessage(target, kRefreshMessage, static_cast<uintptr_t>(channel), 0);
}

void TindleWindow::advanceCursor(int channel, bool restarted)
{
    if (channel < 0 || channel >= kChannelCount)
        return;
    const plat::ui::WindowHandle target = handle_.load();
    if (target == nullptr)
        return;
    PendingCursor& pending = pendingCursors_[std::size_t(channel)];
    bool post = false;
    {
        plat::ScopedLock lock(pending.lock);
        if (restarted) {
            pending.moves.restarted = true;
            pending.moves.blocks = 0;
        } else {
            ++pending.moves.blocks;
        }
        post = !pending.moves.posted &&
               (pending.moves.restarted || pending.moves.blocks >= pending.blocksBeforePost);
        pending.moves.posted |= post;
    }
    if (post)
        // The window may have closed.
        (void)plat::ui::postMessage(target, kCursorMessage, static_cast<uintptr_t>(channel), 0);
}

void TindleWindow::moveCursor(int channel)
{
    PendingCursor& pending = pendingCursors_[std::size_t(channel)];
    CursorMoves moves;
    {
        plat::ScopedLock lock(pending.lock);
        moves = pending.moves;
        pending.moves = {};
    }
    WaveformDisplay* display = strips_[std::size_t(channel)].display;
    if (display == nullptr)
        return;
    display->advanceMs = static_cast<uint32_t>(std::max(engineLink_.cursorAdvanceMs(), 0));
    display->advance(moves.restarted, moves.blocks);
    // Blocks counted meanwhile were held to the old count: they may be due already.
    bool due = false;
    {
        plat::ScopedLock lock(pending.lock);
        pending.blocksBeforePost = display->blocksToNextColumn();
        due = !pending.moves.posted &&
              (pending.moves.restarted || pending.moves.blocks >= pending.blocksBeforePost);
        pending.moves.posted |= due;
    }
    if (const plat::ui::WindowHandle target = handle_.load(); due && target != nullptr)
        (void)plat::ui::postMessage(target, kCursorMessage, static_cast<uintptr_t>(channel), 0);
}

void TindleWindow::showStrip(int channel)
{
    Strip& strip = strips_[std::size_t(channel)];
    if (strip.display == nullptr)
        return;
    // As the streaming thread left it; a strip shows, it does not decide.
    const ChannelRecord& record = channels_.record(channel);
    const bool loaded = record.loaded;
    const bool owner = loaded && record.owner;
    const int32_t state = record.state;

    const bool buttonsShown = !loaded || owner;
    for (zkr::BitmapButton* button :
         {static_cast<zkr::BitmapButton*>(strip.open), strip.close,
          static_cast<zkr::BitmapButton*>(strip.play), static_cast<zkr::BitmapButton*>(strip.pause),
          strip.properties, static_cast<zkr::BitmapButton*>(strip.sync),
          static_cast<zkr::BitmapButton*>(strip.loop)}) {
        if (button->visible != buttonsShown) {
            button->visible = buttonsShown;
            button->repaint();
        }
    }
    auto enable = [](zkr::BitmapButton* button, bool enabled) {
        if (button->enabled == enabled)
            return;
        button->enabled = enabled;
        button->setState(zkr::Control::kStateNormal);
        button->repaint();
    };
    enable(strip.open, buttonsShown);
    enable(strip.close, owner);
    enable(strip.play, owner);
    enable(strip.pause, state != kStateStopped);
    enable(strip.properties, owner);
    strip.play->setOn(state == kStatePlaying || state == kStatePaused || state == kStateWaiting);
    strip.pause->setOn(state == kStatePaused);
    strip.sync->setOn(record.synchronised);
    strip.loop->setOn(record.loop);

    char title[zkr::Control::kTextSize];
    if (!loaded)
        std::snprintf(title, sizeof title, "%s %i", "audio track", channel + 1);
    else
        std::snprintf(title, sizeof title, "%s%s", fileNameOf(record.path).c_str(), owner ? "" : " [right]");
    if (std::string(title) != strip.title->name)
        strip.title->setText(title);

    if (!loaded) {
        if (strip.display->hasPicture())
            strip.display->clear();
    } else if (state == kStateStopped) {
        // Blocks delivered before the stop no longer count.
        PendingCursor& pending = pendingCursors_[std::size_t(channel)];
        {
            plat::ScopedLock lock(pending.lock);
            pending.moves.blocks = 0;
            pending.moves.restarted = false;
            pending.blocksBeforePost = 1;
        }
        strip.display->rewind();
    }
}

// ---------------------------------------------------------------------------
// Pictures

int TindleWindow::buildPicture(zkr::MultimediaFile& file, const std::string& path, WaveformImage& image)
{
    char action[zkr::Control::kTextSize];
    std::snprintf(action, sizeof action, "Creating image from %s...", fileNameOf(path).c_str());
    zkr::ProgressDialog dialog(window, action);
    return dialog.run([&](const zkr::ProgressDialog::Report& report) {
        return buildWaveformImage(file, path, image, report);
    });
}

void TindleWindow::showPicture(int channel, const WaveformImage& image, uint32_t durationMs)
{
    if (channel < 0 || channel >= kChannelCount || image.width <= 0 || image.height <= 0)
        return;
    zkr::WaveformPicture picture(image.width, image.height);
    picture.style = zkr::WaveformPicture::kStyleBars;
    picture.sourceFormat.channels = static_cast<uint16_t>(image.channels);
    picture.backgroundBitmap = images_.load(kDisplayBitmap);
    picture.centrePen = plat::ui::Pen::solid(kCentreLineColour);
    picture.leftPen = plat::ui::Pen::solid(kWaveColour);
    picture.rightPen = plat::ui::Pen::solid(kWaveColour);
    picture.allocateColumns();
    const int columns = std::min(image.width, static_cast<int>(image.columns.size() / 2));
    for (int column = 0; column < columns; ++column)
        picture.setColumn(column, image.columns[std::size_t(column) * 2],
                          image.columns[std::size_t(column) * 2 + 1]);
    picture.render(nullptr);
    if (!picture.hasBitmap())
        return;
    // A stereo picture is two displays high: the upper half is channel's, the lower its neighbour's.
    const plat::ui::Surface& rendered = picture.bitmap();
    const int rows = kDisplay.height;
    for (int part = 0; part * rows < image.height && channel + part < kChannelCount; ++part) {
        WaveformDisplay* display = strips_[std::size_t(channel + part)].display;
        if (display == nullptr)
            continue;
        plat::ui::Surface half(kDisplay.width, rows, kEmptyDisplayColour);
        half.copyFrom(rendered, plat::ui::Rect{0, part * rows, kDisplay.width, (part + 1) * rows}, 0, 0);
        display->show(half, durationMs);
    }
}

} // namespace tindle
