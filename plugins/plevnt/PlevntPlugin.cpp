#include "plugins/plevnt/PlevntPlugin.h"

#include <cstdio>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Module.h"
#include "platform/core/UserFolders.h"
#include "platform/ui/MessageQueue.h"
#include "plugins/plevnt/PlevntWindow.h"
#include "zkr/LibraryApplication.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace plevnt {

namespace {

// The cross-fade's pace: a tick every 200 ms, 10 volume steps a tick, up to 200.
constexpr intptr_t kFadeIntervalMs = 200;
constexpr intptr_t kFadeStep = 10;
constexpr intptr_t kFadeTarget = 200;
// execCommandString's flag (an output is loaded): player 1 opens the file at
// once; else it joins the playlist.
constexpr int32_t kOpenNow = 1;

} // namespace

PlevntPlugin::PlevntPlugin()
    : mpris_({[this](RemoteCommand command, int64_t argumentMs) {
                  if (plat::ui::WindowHandle target = window_.load(); target != nullptr)
                      // The window may have closed.
                      (void)plat::ui::postMessage(target, kRemoteMessage, uintptr_t(command),
                                                  intptr_t(argumentMs));
              },
              [this](const std::string& path) {
                  // Opened as a file handed on the command line, then played.
                  (void)execCommandString(kOpenNow, ("\"" + path + "\"").c_str());
                  if (plat::ui::WindowHandle target = window_.load(); target != nullptr)
                      (void)plat::ui::postMessage(target, kRemoteMessage, uintptr_t(RemoteCommand::Play), 0);
              }})
{
    for (int index = 0; index < kPlayerCount; ++index)
        players_[std::size_t(index)] = std::make_unique<Player>(*this, index);
}

PlevntPlugin::~PlevntPlugin()
{
    shutDown();
}

void PlevntPlugin::startUp()
{
    if (window)
        return;
    (void)zkr::bindSharedServices();
    settings.setFileName(zkr::kSettingsFile);
    (void)settings.selectSection(kSettingsSection, true); // reported by the store; the defaults stand
    window = std::make_unique<PlevntWindow>(*this);
}

void PlevntPlugin::shutDown()
{
    if (!window)
        return;
    window->closeByEngine();
    view_.store(nullptr);
    window_.store(nullptr);
    window.reset();
    for (auto& player : players_)
        player->releaseDecoders();
    zkr::releaseSharedServices();
}

std::string PlevntPlugin::playlistPath(int playerNumber)
{
    char name[32];
    std::snprintf(name, sizeof name, "plevnt%i.m3u", playerNumber);
    // An installed program's folder belongs to the system: there each user
    // keeps playlists of their own beside the settings file.
    return plat::joinPath(plat::userFilesFolderFor(plat::joinPath(plat::programFolder(), "Plugins")), name);
}

int32_t PlevntPlugin::sendEvent(engine::EngineEvent event)
{
    const engine::EventCallback callback = eventCallback;
    return callback != nullptr ? callback(&event) : 0;
}

int32_t PlevntPlugin::musicBufSize() const
{
    plat::ScopedLock lock(setupLock_);
    return audioSetup_.musicBufSize;
}

// ---------------------------------------------------------------------------
// The engine's calls

bool PlevntPlugin::setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    if (setup == nullptr)
        return false;
    {
        plat::ScopedLock lock(setupLock_);
        audioSetup_ = *setup;
    }
    // Open streams were sized for the old blocks.
    for (auto& player : players_)
        player->closeStream();
    return true;
}

bool PlevntPlugin::readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    if (block != nullptr)
        *block = nullptr;
    if (bytes != nullptr)
        *bytes = 0;
    if (stream < 0 || stream >= 2 * kPlayerCount)
        return false;
    return player(stream / 2).readStream(stream % 2 == 1, block, bytes);
}

int32_t PlevntPlugin::execCommandString(int32_t flags, const char* text)
{
    if (text == nullptr || text[0] != '"')
        return 0;
    std::string path = text + 1;
    // Up to the closing quote, the last character.
    if (!path.empty())
        path.pop_back();
    if (!plat::fileExists(path) || player(0).decoders().choose(path, nullptr) == nullptr)
        return 1;
    {
        plat::ScopedLock lock(commandLock_);
        pendingCommand_ = path;
    }
    if (plat::ui::WindowHandle target = window_.load(); target != nullptr)
        // The window may have closed.
        (void)plat::ui::postMessage(target, kCommandFileMessage, 0, flags);
    return 1;
}

void PlevntPlugin::onStreamingError(int32_t code, int32_t value)
{
    if (plat::ui::WindowHandle target = window_.load(); target != nullptr)
        // The window may have closed.
        (void)plat::ui::postMessage(target, kStreamingErrorMessage, uintptr_t(code), value);
}

bool PlevntPlugin::createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    return window != nullptr && window->open(showCommand);
}

void PlevntPlugin::destroyUserInterface()
{
    if (!window)
        return;
    // The streams go from this thread: the engine's thread waits in the close
    // below for the window's thread, which could not have the event carried out.
    for (const std::unique_ptr<Player>& each : players_) {
        if (each)
            each->detach();
    }
    window->closeByEngine();
}

void PlevntPlugin::onPluginSwitch(bool show)
{
    if (window)
        window->showByEngine(show);
}

// ---------------------------------------------------------------------------
// The window's thread

int PlevntPlugin::startPlayers(plat::ui::WindowHandle notified, PlayerView* shownBy)
{
    const std::string folder = decoderFolder();
    for (auto& player : players_) {
        if (int code = player->loadDecoders(folder); code != toWire(engine::Error::Ok)) {
            for (auto& loaded : players_)
                loaded->releaseDecoders();
            return code;
        }
    }
    window_.store(notified);
    view_.store(shownBy);
    loadSettings();
    for (auto& player : players_) {
        player->playlist.clearEntries();
        const std::string path = playlistPath(player->number());
        if (plat::fileExists(path))
            player->playlist.load(path.c_str());
    }
    mpris_.start();
    publishNowPlaying();
    return toWire(engine::Error::Ok);
}

void PlevntPlugin::finishPlayers()
{
    mpris_.stop();
    saveSettings();
    for (auto& player : players_) {
        const std::string path = playlistPath(player->number());
        (void)plat::createFolder(plat::folderOf(path)); // the save reports a failure
        player->playlist.save(path.c_str());
        player->stop();
        player->detach();
        player->releaseDecoders();
    }
    view_.store(nullptr);
    window_.store(nullptr);
}

void PlevntPlugin::requestUnload(plat::ui::WindowHandle owner)
{
    const engine::InternalCallback callback = internalCallback;
    if (callback == nullptr)
        return;
    engine::EngineRequest request{};
    request.pluginHandle = pluginHandle;
    request.owner = reinterpret_cast<intptr_t>(owner);
    callback(&request, toWire(engine::Request::UnloadMe));
}

bool PlevntPlugin::handleNotification(uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    const auto valid = [](intptr_t index) { return index >= 0 && index < kPlayerCount; };
    switch (message) {
    case kStreamStartedMessage:
        if (valid(lparam))
            player(int(lparam)).streamStarted();
        return true;
    case kStreamEndedMessage:
        if (valid(lparam))
            player(int(lparam)).streamEnded(wparam != 0);
        return true;
    case kProgressMessage:
        if (valid(lparam) && player(int(lparam)).progress(autoCrossFade, kCrossFadeLeadMs)) {
            if (plat::ui::WindowHandle target = window_.load(); target != nullptr)
                (void)plat::ui::postMessage(target, kCrossFadeMessage, uintptr_t(lparam), 0);
        }
        publishNowPlaying();
        return true;
    case kCrossFadeMessage:
        if (valid(intptr_t(wparam)))
            onCrossFadeDue(int(wparam));
        return true;
    case kCommandFileMessage:
        onCommandFile(int32_t(lparam));
        return true;
    case kRemoteMessage:
        onRemoteCommand(RemoteCommand(wparam), int64_t(lparam));
        return true;
    case kPlayerChangedMessage:
        changePosted_.store(false);
        publishNowPlaying();
        return true;
    case kStreamingErrorMessage:
        // The output failed: the engine has stopped streaming, so have the players.
        for (auto& player : players_)
            player->stop();
        return true;
    default:
        return false;
    }
}

void PlevntPlugin::onCrossFadeDue(int ending)
{
    const int starting = 1 - ending;
    if (!player(starting).startNextForCrossFade())
        return;
    crossfade_ = engine::CrossfadeBlock{
        0, 1, pluginHandle, 2 * ending, 2 * starting, kFadeIntervalMs, kFadeStep, kFadeTarget};
    engine::EngineEvent fade{};
    fade.code = toWire(engine::Event::Crossfade);
    fade.wait = 0;
    fade.value = reinterpret_cast<intptr_t>(&crossfade_);
    sendEvent(fade);
    skipNextEnd = ending;
}

void PlevntPlugin::onCommandFile(int32_t flags)
{
    std::string path;
    {
        plat::ScopedLock lock(commandLock_);
        path.swap(pendingCommand_);
    }
    if (path.empty())
        return;
    Player& first = player(0);
    if ((flags & kOpenNow) != 0) {
        if (!first.attached() && first.attach() != toWire(engine::Error::Ok))
            return;
        first.open(path, true, false);
    } else {
        first.playlist.addUnlessLast(path.c_str());
    }
    if (PlayerView* shown = view_.load())
        shown->refreshPlayer(0);
}

void PlevntPlugin::loadSettings()
{
    viewState = settings.getInt(kViewStateKey, 1);
    for (int index = 0; index < kPlayerCount; ++index) {
        char key[32];
        std::snprintf(key, sizeof key, "%s%i", kPlayerViewKey, index + 1);
        playerView[std::size_t(index)] = settings.getInt(key, 0);
    }
}

void PlevntPlugin::saveSettings()
{
    (void)settings.setInt(kViewStateKey, viewState);
    for (int index = 0; index < kPlayerCount; ++index) {
        char key[32];
        std::snprintf(key, sizeof key, "%s%i", kPlayerViewKey, index + 1);
        (void)settings.setInt(key, playerView[std::size_t(index)]);
    }
    (void)settings.saveSection(); // the store reports a failure
}

// ---------------------------------------------------------------------------

void startPlugin()
{
    zkr::LibraryApplication<PlevntPlugin>::start();
}

void stopPlugin()
{
    zkr::LibraryApplication<PlevntPlugin>::stop();
}

PlevntPlugin* plugin()
{
    return zkr::LibraryApplication<PlevntPlugin>::get();
}

void PlevntPlugin::fillPluginInfo(engine::PluginInfo* info)
{
    plevnt::fillPluginInfo(info);
}

void fillPluginInfo(engine::PluginInfo* info)
{
    if (info == nullptr)
        return;
    *info = engine::PluginInfo{};
    zkr::copyText(info->title, kPluginTitle);
    zkr::copyText(info->shortName, "PlevNT");
    zkr::copyText(info->media, "mediaplayer");
    zkr::copyText(info->copyright, "(c) 2000 the Velmora developers");
    zkr::copyText(info->version, "v0.2b 08/2000");
    zkr::copyText(info->webAddress, "http://www.velmora.org/");
    info->flags = engine::kFlagAcceptsCommands;
}

} // namespace plevnt
