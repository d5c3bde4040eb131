#include "plugins/plevnt/MprisService.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/core/Bus.h"
#include "platform/core/FileUri.h"

namespace plevnt {

namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
// MPRIS's own path for "no track".
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr char kIdentity[] = "Velmora Audio Engine";
constexpr char kDesktopEntry[] = "velmora";
constexpr int64_t kMicrosecondsPerMillisecond = 1000;
// RequestName's answers that leave the name ours.
constexpr uint32_t kPrimaryOwner = 1;
constexpr uint32_t kAlreadyOwner = 4;

MprisService& serviceOf(void* userdata)
{
    return *static_cast<MprisService*>(userdata);
}

const char* statusText(NowPlaying::Status status)
{
    switch (status) {
    case NowPlaying::Status::Playing:
        return "Playing";
    case NowPlaying::Status::Paused:
        return "Paused";
    case NowPlaying::Status::Stopped:
        break;
    }
    return "Stopped";
}

bool sameTrack(const NowPlaying& a, const NowPlaying& b)
{
    return a.trackId == b.trackId && a.title == b.title && a.artist == b.artist && a.album == b.album &&
           a.url == b.url && a.lengthUs == b.lengthUs;
}

int appendMetadata(sd_bus_message* reply, const NowPlaying& now)
{
    int result = sd_bus_message_open_container(reply, 'a', "{sv}");
    const auto text = [&](const char* key, const std::string& value) {
        if (result >= 0 && !value.empty())
            result = sd_bus_message_append(reply, "{sv}", key, "s", value.c_str());
    };
    if (now.trackId.empty()) {
        if (result >= 0)
            result = sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", kNoTrack);
    } else {
        if (result >= 0)
            result = sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", now.trackId.c_str());
        if (result >= 0 && now.lengthUs > 0)
            result = sd_bus_message_append(reply, "{sv}", "mpris:length", "x", now.lengthUs);
        text("xesam:title", now.title);
        text("xesam:album", now.album);
        text("xesam:url", now.url);
        if (result >= 0 && !now.artist.empty())
            result = sd_bus_message_append(reply, "{sv}", "xesam:artist", "as", 1, now.artist.c_str());
    }
    return result < 0 ? result : sd_bus_message_close_container(reply);
}

// ---- org.mpris.MediaPlayer2 ----

int getRootProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
                    sd_bus_error*)
{
    const std::string_view name = property;
    if (name == "Identity")
        return sd_bus_message_append(reply, "s", kIdentity);
    if (name == "DesktopEntry")
        return sd_bus_message_append(reply, "s", kDesktopEntry);
    if (name == "CanRaise")
        return sd_bus_message_append(reply, "b", 1);
    if (name == "SupportedUriSchemes")
        return sd_bus_message_append(reply, "as", 1, "file");
    if (name == "SupportedMimeTypes")
        return sd_bus_message_append(reply, "as", 0);
    // CanQuit, HasTrackList: the engine, not the desktop, ends the player.
    return sd_bus_message_append(reply, "b", 0);
}

int reply(sd_bus_message* call, void* userdata, RemoteCommand command, int64_t argumentMs = 0)
{
    serviceOf(userdata).callbacks().command(command, argumentMs);
    return sd_bus_reply_method_return(call, "");
}

int onRaise(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::Raise);
}

int onQuit(sd_bus_message* call, void*, sd_bus_error*)
{
    // CanQuit is false: the call is answered and does nothing.
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kRootVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", onRaise, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", onQuit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Identity", "s", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("DesktopEntry", "s", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanQuit", "b", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("CanRaise", "b", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("HasTrackList", "b", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", getRootProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END};

// ---- org.mpris.MediaPlayer2.Player ----

int getPlayerProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                      void* userdata, sd_bus_error*)
{
    const MprisService& service = serviceOf(userdata);
    const std::string_view name = property;
    if (name == "Position")
        return sd_bus_message_append(reply, "x", service.positionUs());
    if (name == "Rate" || name == "MinimumRate" || name == "MaximumRate")
        return sd_bus_message_append(reply, "d", 1.0);
    if (name == "CanControl")
        return sd_bus_message_append(reply, "b", 1);
    const NowPlaying now = service.latest();
    if (name == "PlaybackStatus")
        return sd_bus_message_append(reply, "s", statusText(now.status));
    if (name == "Metadata")
        return appendMetadata(reply, now);
    const bool answer = name == "CanPlay"         ? now.canPlay
                        : name == "CanPause"      ? now.canPause
                        : name == "CanSeek"       ? now.canSeek
                        : name == "CanGoNext"     ? now.canGoNext
                        : name == "CanGoPrevious" ? now.canGoPrevious
                                                  : false;
    return sd_bus_message_append(reply, "b", answer ? 1 : 0);
}

int onPlay(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::Play);
}

int onPause(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::Pause);
}

int onPlayPause(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::PlayPause);
}

int onStop(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::Stop);
}

int onNext(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::Next);
}

int onPrevious(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    return reply(call, userdata, RemoteCommand::Previous);
}

int onSeek(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    int64_t offsetUs = 0;
    if (int result = sd_bus_message_read(call, "x", &offsetUs); result < 0)
        return result;
    return reply(call, userdata, RemoteCommand::SeekBy, offsetUs / kMicrosecondsPerMillisecond);
}

int onSetPosition(sd_bus_message* call, void* userdata, sd_bus_error*)
{
    const char* trackId = nullptr;
    int64_t positionUs = 0;
    if (int result = sd_bus_message_read(call, "ox", &trackId, &positionUs); result < 0)
        return result;
    // A request meant for a track that has gone by, or a place outside the track, is ignored.
    const NowPlaying now = serviceOf(userdata).latest();
    if (now.trackId != trackId || positionUs < 0 || (now.lengthUs > 0 && positionUs > now.lengthUs))
        return sd_bus_reply_method_return(call, "");
    return reply(call, userdata, RemoteCommand::SeekTo, positionUs / kMicrosecondsPerMillisecond);
}

int onOpenUri(sd_bus_message* call, void* userdata, sd_bus_error* error)
{
    const char* uri = nullptr;
    if (int result = sd_bus_message_read(call, "s", &uri); result < 0)
        return result;
    const std::optional<std::string> path = plat::localPathOfFileUri(uri);
    if (!path)
        return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS,
                                 "Velmora opens local files only; give a file:// address: %s", uri);
    serviceOf(userdata).callbacks().openFile(*path);
    return sd_bus_reply_method_return(call, "");
}

constexpr uint64_t kEmitsChange = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
constexpr uint64_t kConstant = SD_BUS_VTABLE_PROPERTY_CONST;

const sd_bus_vtable kPlayerVtable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("Next", "", "", onNext, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", onPrevious, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", onPause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("PlayPause", "", "", onPlayPause, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", onStop, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Play", "", "", onPlay, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Seek", "x", "", onSeek, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", onSetPosition, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", onOpenUri, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_PROPERTY("PlaybackStatus", "s", getPlayerProperty, 0, kEmitsChange),
    SD_BUS_PROPERTY("Rate", "d", getPlayerProperty, 0, kConstant),
    SD_BUS_PROPERTY("MinimumRate", "d", getPlayerProperty, 0, kConstant),
    SD_BUS_PROPERTY("MaximumRate", "d", getPlayerProperty, 0, kConstant),
    SD_BUS_PROPERTY("Metadata", "a{sv}", getPlayerProperty, 0, kEmitsChange),
    // Read when asked: it moves all the time, and Seeked tells of the jumps.
    SD_BUS_PROPERTY("Position", "x", getPlayerProperty, 0, 0),
    SD_BUS_PROPERTY("CanGoNext", "b", getPlayerProperty, 0, kEmitsChange),
    SD_BUS_PROPERTY("CanGoPrevious", "b", getPlayerProperty, 0, kEmitsChange),
    SD_BUS_PROPERTY("CanPlay", "b", getPlayerProperty, 0, kEmitsChange),
    SD_BUS_PROPERTY("CanPause", "b", getPlayerProperty, 0, kEmitsChange),
    SD_BUS_PROPERTY("CanSeek", "b", getPlayerProperty, 0, kEmitsChange),
    SD_BUS_PROPERTY("CanControl", "b", getPlayerProperty, 0, kConstant), SD_BUS_VTABLE_END};

// RequestName's answer: anything but ownership ends the service (the name
// is never taken over, nor waited for in a queue).
int onNameReply(sd_bus_message* answer, void* userdata, sd_bus_error*)
{
    uint32_t result = 0;
    const bool owned = !sd_bus_message_is_method_error(answer, nullptr) &&
                       sd_bus_message_read(answer, "u", &result) >= 0 &&
                       (result == kPrimaryOwner || result == kAlreadyOwner);
    if (!owned)
        *static_cast<bool*>(userdata) = true;
    return 0;
}

// Milliseconds until sd-bus's next timeout, -1 for none.
int pollTimeoutMs(sd_bus* bus)
{
    uint64_t until = 0;
    if (sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nowUs = uint64_t(now.tv_sec) * 1'000'000 + uint64_t(now.tv_nsec) / 1000;
    return until <= nowUs
               ? 0
               : int((until - nowUs + kMicrosecondsPerMillisecond - 1) / kMicrosecondsPerMillisecond);
}

} // namespace

MprisService::MprisService(Callbacks callbacks) : callbacks_(std::move(callbacks)) {}

MprisService::~MprisService()
{
    stop();
}

void MprisService::start()
{
    if (thread_.joinable())
        return;
    wakeFd_.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wakeFd_)
        return;
    stopping_.store(false);
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread, no desktop interface; the player goes on.
        wakeFd_.reset();
    }
}

void MprisService::stop()
{
    if (!thread_.joinable())
        return;
    stopping_.store(true);
    wake();
    thread_.join();
    wakeFd_.reset();
}

void MprisService::wake()
{
    if (wakeFd_)
        (void)::eventfd_write(wakeFd_.get(), 1); // a full counter already wakes the thread
}

void MprisService::publish(const NowPlaying& now, uint32_t positionMs, bool seeked)
{
    const bool changed = !(now == published_);
    if (changed)
        published_ = now;
    {
        plat::ScopedLock lock(mailboxLock_);
        if (changed)
            latest_ = now;
        positionUs_ = int64_t(positionMs) * kMicrosecondsPerMillisecond;
        changed_ = changed_ || changed;
        seeked_ = seeked_ || seeked;
    }
    if (changed || seeked)
        wake();
}

NowPlaying MprisService::latest() const
{
    plat::ScopedLock lock(mailboxLock_);
    return latest_;
}

int64_t MprisService::positionUs() const
{
    plat::ScopedLock lock(mailboxLock_);
    return positionUs_;
}

void MprisService::run()
{
    sd_bus* opened = nullptr;
    // No session bus (a console, a build machine): no interface, and nothing to say about it.
    if (sd_bus_open_user(&opened) < 0)
        return;
    plat::Bus bus(opened);
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(bus.get(), &slot, kObjectPath, kRootInterface, kRootVtable, this) < 0)
        return;
    plat::BusSlot rootSlot(slot);
    if (sd_bus_add_object_vtable(bus.get(), &slot, kObjectPath, kPlayerInterface, kPlayerVtable, this) < 0)
        return;
    plat::BusSlot playerSlot(slot);
    // Asked without waiting, so that stop never waits for the bus's answer.
    bool nameRefused = false;
    if (sd_bus_request_name_async(bus.get(), &slot, kBusName, 0, onNameReply, &nameRefused) < 0)
        return;
    plat::BusSlot nameSlot(slot);

    NowPlaying shown = latest();
    while (!stopping_.load() && !nameRefused) {
        int processed = 0;
        while ((processed = sd_bus_process(bus.get(), nullptr)) > 0 && !nameRefused) {
        }
        // A bus that has gone ends the service; the player goes on.
        if (processed < 0 || nameRefused)
            return;
        emitChanges(bus.get(), shown);
        const int events = sd_bus_get_events(bus.get());
        if (events < 0)
            return;
        pollfd watched[] = {{sd_bus_get_fd(bus.get()), short(events), 0}, {wakeFd_.get(), POLLIN, 0}};
        if (::poll(watched, 2, pollTimeoutMs(bus.get())) < 0 && errno != EINTR)
            return;
        if ((watched[1].revents & POLLIN) != 0) {
            eventfd_t ignored = 0;
            (void)::eventfd_read(wakeFd_.get(), &ignored);
        }
    }
}

void MprisService::emitChanges(sd_bus* bus, NowPlaying& shown)
{
    NowPlaying now;
    int64_t position = 0;
    bool seeked = false;
    {
        plat::ScopedLock lock(mailboxLock_);
        if (!changed_ && !seeked_)
            return;
        now = latest_;
        position = positionUs_;
        seeked = seeked_;
        changed_ = seeked_ = false;
    }
    std::vector<const char*> names;
    if (now.status != shown.status)
        names.push_back("PlaybackStatus");
    if (!sameTrack(now, shown))
        names.push_back("Metadata");
    const std::pair<const char*, bool> switches[] = {
        {"CanPlay", now.canPlay != shown.canPlay},
        {"CanPause", now.canPause != shown.canPause},
        {"CanSeek", now.canSeek != shown.canSeek},
        {"CanGoNext", now.canGoNext != shown.canGoNext},
        {"CanGoPrevious", now.canGoPrevious != shown.canGoPrevious}};
    for (const auto& [name, differs] : switches)
        if (differs)
            names.push_back(name);
    shown = now;
    if (!names.empty()) {
        names.push_back(nullptr);
        // A failed send shows in the next sd_bus_process.
        (void)sd_bus_emit_properties_changed_strv(bus, kObjectPath, kPlayerInterface,
                                                  const_cast<char**>(names.data()));
    }
    if (seeked)
        (void)sd_bus_emit_signal(bus, kObjectPath, kPlayerInterface, "Seeked", "x", position);
}

} // namespace plevnt
