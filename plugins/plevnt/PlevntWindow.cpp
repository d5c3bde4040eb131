#include "plugins/plevnt/PlevntWindow.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/core/Files.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "plugins/plevnt/PlayerControls.h"
#include "plugins/plevnt/PlaylistFiles.h"
#include "plugins/plevnt/Player.h"
#include "plugins/plevnt/PlevntModel.h"
#include "zkr/BitmapButton.h"
#include "zkr/Dialog.h"
#include "zkr/FolderDialog.h"
#include "zkr/List.h"
#include "zkr/NameField.h"
#include "zkr/Registry.h"
#include "zkr/Text.h"
#include "zkr/ToggleButton.h"
#include "zkr/WindowHelpers.h"

namespace plevnt {

namespace {

using namespace plat::ui;

// What a window whose start-up failed reports (above 0 fails the creation).
constexpr int kStartFailed = 18;

// ---- the find dialog ---------------------------------------------------------------

constexpr int kFindTextId = 1000;

const DialogItemTemplate kFindItems[] = {
    {"STATIC", "Find in the playlist:", -1, 7, 7, 160, 9, kItemStyleChild | kStaticLeft | kStaticNoPrefix},
    {"EDIT", "", kFindTextId, 7, 18, 160, 12,
     kItemStyleChild | kStyleBorder | kEditAutoHScroll | kStyleTabStop | kStyleGroup},
    {"BUTTON", "&Find", kIdOk, 62, 37, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Cancel", kIdCancel, 117, 37, 50, 14, kItemStyleChild | kButtonPush | kStyleTabStop},
};

const DialogTemplate kFindTemplate{
    kFindDialog, "Find", kDialogStyleStandard, 0, 0, 0, 174, 58, nullptr, 8, kFindItems};

DialogRegistrar registrar(kFindTemplate);

// Asks for the text to look for; it starts with the last one.
class FindDialog : public zkr::Dialog {
public:
    FindDialog(std::string& text, WindowHandle owner)
        : zkr::Dialog(kFindDialog, zkr::ownModule(), owner), text_(text)
    {
    }

    void onInitDialog() override { (void)setDlgItemText(window, kFindTextId, text_.c_str()); }
    bool onClose() override
    {
        text_ = dlgItemText(window, kFindTextId);
        return true;
    }

private:
    std::string& text_;
};

// ---- names ---------------------------------------------------------------------------

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How a playlist row names an entry: artist and title when the file told
// them, else its file name.
std::string displayName(const PlaylistEntry& entry)
{
    const StreamInfo& info = entry.info;
    if (info.valid != 0 && info.title[0] != '\0') {
        if (info.artist[0] != '\0')
            return std::string(info.artist) + " / " + info.title;
        return info.title;
    }
    return fileNameOf(entry.path);
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The player whose half of the window holds x.
int playerAt(int x)
{
    return x >= kPlayerPitch + kPlayerWell.x - 4 ? 1 : 0;
}

void enable(zkr::BitmapButton* button, bool enabled)
{
    if (button == nullptr || button->enabled == enabled)
        return;
    button->enabled = enabled;
    button->setState(zkr::Control::kStateNormal);
    button->repaint();
}

unsigned skinOf(int size)
{
    return size == kSizeSmall ? kSmallSkinBitmap : size == kSizeLarge ? kLargeSkinBitmap : kMediumSkinBitmap;
}

unsigned maskOf(int size)
{
    return size == kSizeSmall ? kSmallMaskBitmap : size == kSizeLarge ? kLargeMaskBitmap : kMediumMaskBitmap;
}

} // namespace

PlevntWindow::PlevntWindow(PlevntModel& plugin) : plugin_(plugin) {}

PlevntWindow::~PlevntWindow()
{
    // The controls are used by the window until it is gone.
    endWindow();
}

bool PlevntWindow::open(int showCommand)
{
    if (window != nullptr && isWindow(window))
        return true;
    return openWindow(kClassName, kTitle, kIcon, kCursor, showCommand);
}

// ---------------------------------------------------------------------------
// Start-up and closing

template <typename Button>
Button* PlevntWindow::addButton(int id, unsigned bitmap, const Box& place, const char* tooltip)
{
    auto button = std::make_unique<Button>(this);
    button->place(place.x, place.y, images_.load(bitmap));
    zkr::copyText(button->tooltip, tooltip);
    return &addControl(std::move(button), kControlMessage, static_cast<uint32_t>(id));
}

void PlevntWindow::addPanel(int p)
{
    Panel& panel = panels_[std::size_t(p)];
    auto at = [p](const Box& box) { return ofPlayer(box, p); };
    auto title = std::make_unique<zkr::NameField>(this);
    title->place(at(kTitleField).rect(), kTitleText.rect(), images_.load(kTitleFieldBitmap));
    zkr::copyText(title->tooltip, "the player's file");
    panel.title = &addControl(std::move(title), kControlMessage, static_cast<uint32_t>(kTitleId + p));

    auto elapsed = std::make_unique<TimeDisplay>(this);
    elapsed->place(at(kTimeDisplay));
    zkr::copyText(elapsed->tooltip, "elapsed/remaining time");
    panel.time = &addControl(std::move(elapsed), kControlMessage, static_cast<uint32_t>(kTimeId + p));
    auto progress = std::make_unique<ProgressBar>(this);
    progress->place(at(kProgressBar));
    zkr::copyText(progress->tooltip, "progress");
    panel.progress = &addControl(std::move(progress), 0, static_cast<uint32_t>(kProgressId + p));

    panel.previous = addButton<zkr::BitmapButton>(kPreviousId + p, kPreviousButtonBitmap, at(kPreviousButton),
                                                  "previous entry");
    panel.play = addButton<zkr::ToggleButton>(kPlayId + p, kPlayButtonBitmap, at(kPlayButton), "play");
    panel.pause = addButton<zkr::ToggleButton>(kPauseId + p, kPauseButtonBitmap, at(kPauseButton), "pause");
    // Play and pause show the player's state, not their clicks.
    panel.play->toggleable = false;
    panel.pause->toggleable = false;
    panel.stop = addButton<zkr::BitmapButton>(kStopId + p, kStopButtonBitmap, at(kStopButton), "stop");
    panel.next = addButton<zkr::BitmapButton>(kNextId + p, kNextButtonBitmap, at(kNextButton), "next entry");
    panel.open = addButton<zkr::BitmapButton>(kOpenId + p, kOpenButtonBitmap, at(kOpenButton), "open file");
    panel.loop = addButton<zkr::ToggleButton>(kLoopId + p, kLoopButtonBitmap, at(kLoopButton), "loop playback");

    auto playlist = std::make_unique<PlaylistView>(this);
    playlist->place(at(kPlaylistView));
    zkr::copyText(playlist->tooltip, "playlist: double click plays, drop files to add them");
    panel.playlist =
        &addControl(std::move(playlist), kControlMessage, static_cast<uint32_t>(kPlaylistId + p));
    auto info = std::make_unique<InfoView>(this);
    info->place(at(kInfoView));
    zkr::copyText(info->tooltip, "stream information");
    panel.info = &addControl(std::move(info), 0, static_cast<uint32_t>(kInfoId + p));
}

bool PlevntWindow::createStageOne()
{
    images_.clear();
    // The largest skin sizes the back buffer; finishCreate shrinks the window to the chosen size.
    if (!zkr::applySkin(*this, images_, kLargeSkinBitmap, kLargeMaskBitmap))
        return false;
    addButton<zkr::BitmapButton>(kMenuId, kMenuButtonBitmap, kMenuButton, "menu");
    addButton<zkr::BitmapButton>(kCloseId, kCloseButtonBitmap, kCloseButton, "close");
    for (int player = 0; player < kPlayerCount; ++player)
        addPanel(player);
    for (int size = kSizeSmall; size <= kSizeLarge; ++size) {
        // A failure shows in failed().
        (void)images_.load(skinOf(size));
        (void)images_.load(maskOf(size));
    }
    return !images_.failed();
}

int PlevntWindow::finishCreate()
{
    for (auto& posted : refreshPosted_)
        posted = false;
    if (plugin_.startPlayers(window, this) != 0)
        return kStartFailed;

    fileDialog_.module = zkr::ownModule();
    fileDialog_.owner = window;
    fileDialog_.openMode = true;
    fileDialog_.title = "Open audio file...";
    fileDialog_.filter[0] = '\0';
    fileDialog_.filter[1] = '\0';
    for (const DecoderFilter& filter : plugin_.decoderFilters())
        (void)fileDialog_.addFilter(filter.description.c_str(), filter.patterns.c_str());

    playlistDialog_.module = zkr::ownModule();
    playlistDialog_.owner = window;
    (void)playlistDialog_.setFilter("Playlists\0*.m3u;*.pls\0"
                              "Winamp Playlists (*.m3u)\0*.m3u\0"
                              "Sonique Playlists (*.pls)\0*.pls\0"
                              "Plain Text (save only)\0*.txt\0");

    restorePosition();
    handle_ = window;
    applySize(plugin_.viewState);
    // placeAndShape gives the window the description's shape once it is made.
    description.region = images_.load(maskOf(size_))->makeRegion();
    for (int player = 0; player < kPlayerCount; ++player)
        showPlayer(player);
    return 0;
}

void PlevntWindow::beforeDestroy()
{
    handle_ = nullptr;
    panels_ = {};
}

bool PlevntWindow::onClose()
{
    if (!destroying) {
        // The user's close: the engine unloads the plug-in, which closes the window for good.
        plugin_.requestUnload(window);
        return false;
    }
    // The view settings (size, each player's time) are the plug-in object's to write.
    plugin_.viewState = size_;
    Rect place;
    if (windowRect(window, place))
        (void)plugin_.pluginSettings().setPoint(kPositionKey, place.left, place.top);
    plugin_.finishPlayers();
    return true;
}

// The plug-in object's own settings (its section, whichever application
// the process runs); a place that would leave too little of the window on
// the screen to grab is not restored. The smallest view's height counts: the
// view may shrink later.
void PlevntWindow::restorePosition()
{
    int x = 0;
    int y = 0;
    plugin_.pluginSettings().getPoint(kPositionKey, 0, 0, &x, &y);
    if ((x == 0 && y == 0) || !zkr::leavesGrabbablePart(x, y, kWindowWidth, kSmallHeight))
        return;
    (void)setWindowPos(window, x, y, 0, 0, kPosNoSize | kPosNoZOrder);
}

// ---------------------------------------------------------------------------
// The window's size

void PlevntWindow::applySize(int size)
{
    if (size < kSizeSmall || size > kSizeLarge)
        size = kSizeMedium;
    size_ = size;
    plugin_.viewState = size;
    zkr::BitmapObject* skin = images_.load(skinOf(size));
    const zkr::BitmapObject* mask = images_.load(maskOf(size));
    if (skin == nullptr || mask == nullptr)
        return;
    background = skin;
    for (Panel& panel : panels_) {
        if (panel.playlist != nullptr)
            panel.playlist->visible = size >= kSizeMedium;
        if (panel.info != nullptr)
            panel.info->visible = size >= kSizeLarge;
    }
    if (window == nullptr)
        return;
    Rect bounds;
    if (!windowRect(window, bounds))
        return; // gone with the engine's close
    (void)moveWindow(window, bounds.left, bounds.top, kWindowWidth, heightOfSize(size), false);
    const Region shape = mask->makeRegion();
    (void)setWindowRegion(window, &shape, false);
    (void)invalidateRect(window, nullptr, false);
}

// ---------------------------------------------------------------------------
// Messages (the window's thread)

intptr_t PlevntWindow::onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam)
{
    switch (message) {
    case kControlMessage:
        onControl(static_cast<int>(wparam));
        return 0;
    case kCommandMessage:
        runCommand(static_cast<int>(wparam), static_cast<int>(lparam));
        return 0;
    case kRefreshMessage:
        if (wparam < refreshPosted_.size()) {
            refreshPosted_[wparam] = false;
            showPlayer(static_cast<int>(wparam));
        }
        return 0;
    default:
        break;
    }
    if (plugin_.handleNotification(message, wparam, lparam))
        return 0;
    return PluginWindow::onUserMessage(message, lparam, wparam);
}

void PlevntWindow::onControlContextMenu(zkr::Control*, int x, int y)
{
    Point client{x, y};
    (void)screenToClient(window, client);
    showMenu(playerAt(client.x), x, y);
}

void PlevntWindow::onDoubleClick(intptr_t point, uintptr_t keys)
{
    // Only a playlist takes a double click; on a button a quick second click is a click as well.
    const zkr::Control* control = controlAt(pointX(point), pointY(point));
    if (control != nullptr && dynamic_cast<const PlaylistView*>(control) == nullptr)
        onMouseDown(point, keys);
    else
        PluginWindow::onDoubleClick(point, keys);
}

bool PlevntWindow::dispatchDrop(int x, int, const std::vector<std::string>& files)
{
    addFiles(playerAt(x), files);
    return true;
}

void PlevntWindow::onControl(int id)
{
    if (id == kMenuId) {
        const Point corner = controls.empty() ? Point{} : controls.front()->bottomLeftOnScreen();
        showMenu(focusedPlayer_, corner.x, corner.y);
        return;
    }
    if (id == kCloseId) {
        // Posted: the window must not go while its button is still handling the click.
        (void)postMessage(window, kMsgClose, 0, 0);
        return;
    }
    if (id < kPreviousId)
        return;
    const int p = (id - kPreviousId) % kPlayerCount;
    Panel& panel = panels_[std::size_t(p)];
    Player& player = plugin_.player(p);
    focusedPlayer_ = p;
    switch (id - p) {
    case kPreviousId:
        player.previous(player.state() == kStatePlaying);
        break;
    case kPlayId:
        if (player.state() == kStatePaused)
            player.pause();
        else if (player.currentPath().empty())
            player.next(true);
        else
            player.play();
        break;
    case kPauseId:
        player.pause();
        break;
    case kStopId:
        player.stop();
        break;
    case kNextId:
        player.next(player.state() == kStatePlaying);
        break;
    case kOpenId:
        openFile(p);
        break;
    case kLoopId:
        player.loop = panel.loop->on;
        break;
    case kTimeId:
        // Elapsed or remaining time; shown from the next progress on.
        plugin_.playerView[std::size_t(p)] = plugin_.playerView[std::size_t(p)] == 0 ? 1 : 0;
        showTime(p, timeText(player.positionMs()));
        break;
    case kPlaylistId:
        if (panel.playlist->activatedRow >= 0) {
            player.playEntry(panel.playlist->activatedRow);
            panel.playlist->activatedRow = -1;
        }
        break;
    default:
        break;
    }
    showPlayer(p);
}

// ---------------------------------------------------------------------------
// The menu

void PlevntWindow::showMenu(int player, int x, int y)
{
    focusedPlayer_ = player;
    PopupMenu menu;
    const MenuHandle sizes = createPopupMenu();
    (void)appendMenu(sizes, kMenuString | (size_ == kSizeSmall ? kMenuChecked : 0u), kSmallCommand, "&small");
    (void)appendMenu(sizes, kMenuString | (size_ == kSizeMedium ? kMenuChecked : 0u), kMediumCommand,
                     "&medium");
    (void)appendMenu(sizes, kMenuString | (size_ == kSizeLarge ? kMenuChecked : 0u), kLargeCommand, "&large");
    (void)appendMenu(menu.handle(), kMenuPopup, reinterpret_cast<uintptr_t>(sizes), "&Resize");
    menu.add(kCrossFadeCommand, "Auto&CrossFade", true, plugin_.autoCrossFade);
    menu.addSeparator();
    menu.add(kLoadPlaylistCommand, "&Load playlist...");
    menu.add(kSavePlaylistCommand, "&Save playlist...");
    menu.add(kAddDirectoryCommand, "Add &directory...");
    menu.add(kInfoCommand, "&Info...");
    menu.add(kFindCommand, "&Find...");
    menu.addSeparator();
    menu.add(kDecoderModulesCommand, "&Decoder Modules...");
    menu.add(kAboutCommand, "&About...");
    const auto chosen = static_cast<int>(menu.track(x, y, window));
    if (chosen != 0)
        runCommand(chosen, player);
}

void PlevntWindow::runCommand(int command, int player)
{
    if (player < 0 || player >= kPlayerCount)
        player = focusedPlayer_;
    focusedPlayer_ = player;
    switch (command) {
    case kSmallCommand:
    case kMediumCommand:
    case kLargeCommand:
        applySize(command - kSmallCommand);
        break;
    case kCrossFadeCommand:
        plugin_.autoCrossFade = !plugin_.autoCrossFade;
        break;
    case kDecoderModulesCommand:
        showDecoderModules();
        break;
    case kAboutCommand:
        showAbout();
        break;
    case kLoadPlaylistCommand:
        loadPlaylist(player);
        break;
    case kSavePlaylistCommand:
        savePlaylist(player);
        break;
    case kAddDirectoryCommand:
        chooseDirectory(player);
        break;
    case kInfoCommand:
        showEntryInfo(player);
        break;
    case kFindCommand:
        find(player);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Files and playlists

void PlevntWindow::openFile(int player)
{
    fileDialog_.openMode = true;
    fileDialog_.file.clear();
    if (fileDialog_.run())
        plugin_.player(player).open(fileDialog_.file, true, false);
}

void PlevntWindow::addFiles(int p, const std::vector<std::string>& paths)
{
    Player& player = plugin_.player(p);
    for (const std::string& path : paths) {
        std::error_code failed;
        if (std::filesystem::is_directory(path, failed)) {
            addDirectory(p, path);
            continue;
        }
        const PlaylistFormat format = playlistFormatOf(path);
        if (format == PlaylistFormat::M3u || format == PlaylistFormat::Pls)
            player.playlist.load(path.c_str());
        // Regular files only, as a playlist takes them: a FIFO would block the player when played.
        else if (plat::fileExists(path) && player.decoders().choose(path, nullptr) != nullptr &&
                 player.playlist.add(path.c_str()) != 0)
            break;
    }
    showPlayer(p);
}

void PlevntWindow::addDirectory(int p, const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code failed;
    for (const auto& item : std::filesystem::directory_iterator(folder, failed)) {
        std::error_code itemFailed;
        if (item.is_regular_file(itemFailed))
            files.push_back(item.path().string());
    }
    std::sort(files.begin(), files.end());
    Player& player = plugin_.player(p);
    for (const std::string& path : files)
        if (player.decoders().choose(path, nullptr) != nullptr && player.playlist.add(path.c_str()) != 0)
            break;
    showPlayer(p);
}

void PlevntWindow::loadPlaylist(int player)
{
    playlistDialog_.openMode = true;
    playlistDialog_.title = "Load playlist...";
    playlistDialog_.file.clear();
    playlistDialog_.defaultExtension.clear();
    if (!playlistDialog_.run())
        return;
    plugin_.player(player).playlist.load(playlistDialog_.file.c_str());
    showPlayer(player);
}

void PlevntWindow::savePlaylist(int player)
{
    playlistDialog_.openMode = false;
    playlistDialog_.title = "Save playlist...";
    playlistDialog_.file.clear();
    playlistDialog_.defaultExtension = "m3u";
    if (playlistDialog_.run())
        plugin_.player(player).playlist.save(playlistDialog_.file.c_str());
}

void PlevntWindow::chooseDirectory(int player)
{
    zkr::FolderDialog dialog;
    dialog.module = zkr::ownModule();
    dialog.owner = window;
    dialog.title = "Add directory...";
    if (dialog.run())
        addDirectory(player, dialog.chosenFolder);
}

bool PlevntWindow::findInPlaylist(int player, const std::string& text)
{
    PlaylistView* view = panels_[std::size_t(player)].playlist;
    if (view == nullptr || text.empty())
        return false;
    const std::string wanted = lowerCase(text);
    const auto& rows = view->rows();
    const int count = static_cast<int>(rows.size());
    const Playlist& playlist = plugin_.player(player).playlist;
    for (int step = 1; step <= count; ++step) {
        const int row = (std::max(view->selected(), -1) + step + count) % count;
        const PlaylistEntry* entry = playlist.entry(row);
        const bool found = lowerCase(rows[std::size_t(row)].name).find(wanted) != std::string::npos ||
                           (entry != nullptr && lowerCase(entry->path).find(wanted) != std::string::npos);
        if (found) {
            view->select(row);
            return true;
        }
    }
    return false;
}

void PlevntWindow::find(int player)
{
    FindDialog dialog(lastFind_, window);
    if (dialog.runModal() != kIdOk || lastFind_.empty())
        return;
    if (!findInPlaylist(player, lastFind_))
        message("\"" + lastFind_ + "\" is not in the playlist.", "Find");
}

// ---------------------------------------------------------------------------
// Information

void PlevntWindow::showEntryInfo(int p)
{
    const Player& player = plugin_.player(p);
    const PlaylistView* view = panels_[std::size_t(p)].playlist;
    const int row = view != nullptr && view->selected() >= 0 ? view->selected() : player.playlist.currentIndex();
    const PlaylistEntry* entry = player.playlist.entry(row);
    if (entry == nullptr) {
        message("Select an entry of the playlist first.", "Info");
        return;
    }
    std::string text = entry->path;
    text += "\n\n";
    if (entry->info.valid != 0) {
        if (entry->info.title[0] != '\0')
            text += std::string("Title: ") + entry->info.title + "\n";
        if (entry->info.artist[0] != '\0')
            text += std::string("Artist: ") + entry->info.artist + "\n";
        if (entry->info.album[0] != '\0')
            text += std::string("Album: ") + entry->info.album + "\n";
        if (entry->info.hasSize != 0)
            text += "Length: " + timeText(entry->info.size) + "\n";
        text += infoText(entry->info);
    } else {
        text += "Not played yet: nothing is known of the file.";
    }
    message(text, "Info");
}

void PlevntWindow::showDecoderModules()
{
    std::string text;
    for (const auto& module : plugin_.player(0).decoders().modules()) {
        char version[32];
        std::snprintf(version, sizeof version, " (version %i)", module->version());
        text += fileNameOf(module->fileName()) + ": " + module->name() + version + "\n";
        text += "  " + module->extensions() + "\n";
        if (!module->about().empty())
            text += "  " + module->about() + "\n";
    }
    if (text.empty())
        text = "No decoder module is loaded.";
    message(text, "Decoder Modules");
}

void PlevntWindow::showAbout()
{
    message("PlevNT Input Module v0.2b 08/2000\n\n"
            "Two media players with playlists and automatic cross-fade,\n"
            "decoding through the modules in Plugins/Decoders.",
            "About PlevNT");
}

void PlevntWindow::message(const std::string& text, const char* caption)
{
    (void)messageBox(window, text.c_str(), caption, plat::kNoticeOk | plat::kNoticeIconInformation);
}

// ---------------------------------------------------------------------------
// Showing the players

void PlevntWindow::refreshPlayer(int player)
{
    if (player < 0 || player >= kPlayerCount)
        return;
    const WindowHandle target = handle_.load();
    // One refresh waiting is enough: it shows the player as it is then.
    if (target != nullptr && !refreshPosted_[std::size_t(player)].exchange(true))
        (void)postMessage(target, kRefreshMessage, static_cast<uintptr_t>(player), 0);
}

void PlevntWindow::showTime(int p, const std::string& text)
{
    if (p < 0 || p >= kPlayerCount)
        return;
    TimeDisplay* display = panels_[std::size_t(p)].time;
    if (display == nullptr)
        return;
    const Player& player = plugin_.player(p);
    const StreamInfo info = player.currentInfo();
    // Remaining time where the stream's length is known and the player asks for it.
    if (plugin_.playerView[std::size_t(p)] != 0 && info.hasSize != 0 && player.positionMs() <= info.size &&
        text != "00:00:00") {
        display->show("-" + timeText(info.size - player.positionMs()));
        return;
    }
    display->show(text);
}

void PlevntWindow::showProgress(int player, int percent)
{
    if (player < 0 || player >= kPlayerCount)
        return;
    if (ProgressBar* bar = panels_[std::size_t(player)].progress)
        bar->show(percent);
}

void PlevntWindow::showPlayer(int p)
{
    Panel& panel = panels_[std::size_t(p)];
    if (panel.title == nullptr)
        return;
    const Player& player = plugin_.player(p);
    const int32_t state = player.state();
    const bool hasFile = !player.currentPath().empty();
    const bool hasEntries = player.playlist.size() > 0;
    panel.play->setOn(state == kStatePlaying);
    panel.pause->setOn(state == kStatePaused);
    enable(panel.play, hasFile || hasEntries);
    enable(panel.pause, state != kStateStopped);
    enable(panel.stop, state == kStatePlaying);
    enable(panel.previous, state != kStatePaused && player.playlist.currentIndex() > 0);
    enable(panel.next, state != kStatePaused && player.playlist.currentIndex() + 1 < player.playlist.size());
    panel.loop->setOn(player.loop);

    char title[zkr::Control::kTextSize];
    if (!hasFile) {
        std::snprintf(title, sizeof title, "player %i: no file", p + 1);
    } else {
        PlaylistEntry shown{};
        zkr::copyText(shown.path, player.currentPath().c_str());
        shown.info = player.currentInfo();
        std::snprintf(title, sizeof title, "%s", displayName(shown).c_str());
    }
    if (std::string(title) != panel.title->name)
        panel.title->setText(title);
    if (state == kStateStopped && !hasFile) {
        showTime(p, timeText(0));
        showProgress(p, 0);
    }

    std::vector<PlaylistView::Row> rows;
    rows.reserve(std::size_t(player.playlist.size()));
    for (int index = 0; index < player.playlist.size(); ++index) {
        const PlaylistEntry* entry = player.playlist.entry(index);
        rows.push_back({displayName(*entry), entry->info.hasSize != 0 ? timeText(entry->info.size) : ""});
    }
    panel.playlist->show(std::move(rows), player.playlist.currentIndex());

    const StreamInfo info = player.currentInfo();
    panel.info->show(info.valid != 0 ? infoText(info) : std::string());
}

} // namespace plevnt
