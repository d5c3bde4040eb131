#include "plugins/brolet/Broadcast.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>

#include "platform/core/Files.h"
#include "platform/core/Profile.h"
#include "platform/core/Socket.h"
#include "zkr/Registry.h"

namespace brolet {

namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;
constexpr size_t kMaxStatusPageBytes = 1 << 20;
constexpr int kPollSliceMs = 50;

// The value of a JSON string or number member of text, or empty; the status page's strings hold no escaped quotes we need.
std::string jsonMember(std::string_view text, std::string_view key)
{
    const std::string pattern = "\"" + std::string(key) + "\":";
    const size_t at = text.find(pattern);
    if (at == std::string_view::npos)
        return {};
    size_t start = at + pattern.size();
    if (start < text.size() && text[start] == '"') {
        const size_t end = text.find('"', start + 1);
        return end == std::string_view::npos ? std::string() : std::string(text.substr(start + 1, end - start - 1));
    }
    size_t end = start;
    while (end < text.size() && text[end] != ',' && text[end] != '}')
        ++end;
    return std::string(text.substr(start, end - start));
}

std::string twoDigits(int64_t value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

constexpr char kHostKey[] = "BroadcastHost";
constexpr char kPortKey[] = "BroadcastPort";
constexpr char kMountKey[] = "BroadcastMount";
constexpr char kUserKey[] = "BroadcastUser";
constexpr char kPasswordKey[] = "BroadcastPassword";
constexpr char kFormatKey[] = "BroadcastFormat";
constexpr char kVorbisQualityKey[] = "BroadcastVorbisQuality";
constexpr char kBitRateKey[] = "BroadcastBitRate";
constexpr char kNameKey[] = "BroadcastName";
constexpr char kDescriptionKey[] = "BroadcastDescription";
constexpr char kGenreKey[] = "BroadcastGenre";
constexpr char kUrlKey[] = "BroadcastUrl";
constexpr char kPublicKey[] = "BroadcastPublic";
constexpr int kHighestPort = BroadcastSettings::kHighestPort;
constexpr int kHighestVorbisQuality = BroadcastSettings::kHighestVorbisQuality;
constexpr int kLowestBitRate = BroadcastSettings::kLowestBitRate;
constexpr int kHighestBitRate = BroadcastSettings::kHighestBitRate;

} // namespace

BroadcastSettings readBroadcastSettings(zkr::Registry& settings)
{
    BroadcastSettings broadcast;
    const auto text = [&](const char* key, const std::string& fallback) {
        return settings.getLongString(key, fallback.c_str());
    };
    broadcast.host = text(kHostKey, broadcast.host);
    broadcast.port = std::clamp(settings.getInt(kPortKey, broadcast.port), 1, kHighestPort);
    broadcast.mount = text(kMountKey, broadcast.mount);
    broadcast.user = text(kUserKey, broadcast.user);
    broadcast.password = text(kPasswordKey, broadcast.password);
    const int format = settings.getInt(kFormatKey, static_cast<int>(broadcast.format));
    // A format this version does not know falls back to the default.
    if (format >= static_cast<int>(BroadcastFormat::OggVorbis) && format <= static_cast<int>(BroadcastFormat::Mp3))
        broadcast.format = static_cast<BroadcastFormat>(format);
    broadcast.vorbisQuality =
        std::clamp(settings.getInt(kVorbisQualityKey, broadcast.vorbisQuality), 0, kHighestVorbisQuality);
    broadcast.bitRateKbps =
        std::clamp(settings.getInt(kBitRateKey, broadcast.bitRateKbps), kLowestBitRate, kHighestBitRate);
    broadcast.name = text(kNameKey, broadcast.name);
    broadcast.description = text(kDescriptionKey, broadcast.description);
    broadcast.genre = text(kGenreKey, broadcast.genre);
    broadcast.url = text(kUrlKey, broadcast.url);
    broadcast.listed = settings.getInt(kPublicKey, 0) != 0;
    return broadcast;
}

bool writeBroadcastSettings(zkr::Registry& settings, const BroadcastSettings& broadcast)
{
    // Before the password reaches the file, so it is never there for others to read.
    if (!broadcast.password.empty() && !plat::restrictToOwner(plat::profilePath(settings.fileName)))
        return false;
    (void)settings.setLongString(kHostKey, broadcast.host); // the store reports a failure
    (void)settings.setInt(kPortKey, broadcast.port);
    (void)settings.setLongString(kMountKey, broadcast.mount);
    (void)settings.setLongString(kUserKey, broadcast.user);
    (void)settings.setLongString(kPasswordKey, broadcast.password);
    (void)settings.setInt(kFormatKey, static_cast<int>(broadcast.format));
    (void)settings.setInt(kVorbisQualityKey, broadcast.vorbisQuality);
    (void)settings.setInt(kBitRateKey, broadcast.bitRateKbps);
    (void)settings.setLongString(kNameKey, broadcast.name);
    (void)settings.setLongString(kDescriptionKey, broadcast.description);
    (void)settings.setLongString(kGenreKey, broadcast.genre);
    (void)settings.setLongString(kUrlKey, broadcast.url);
    (void)settings.setInt(kPublicKey, broadcast.listed ? 1 : 0);
    return true;
}

std::string broadcastStatusLine(const BroadcastStatus& status, int64_t nowSeconds)
{
    switch (status.state) {
    case BroadcastState::Off:
        return {};
    case BroadcastState::Connecting:
        return "Connecting...";
    case BroadcastState::OnAir: {
        const int64_t seconds = nowSeconds > status.onAirSince ? nowSeconds - status.onAirSince : 0;
        std::string line = "ON AIR ";
        if (seconds >= kSecondsPerHour)
            line += std::to_string(seconds / kSecondsPerHour) + ":";
        line += twoDigits(seconds / kSecondsPerMinute % kSecondsPerMinute) + ":" +
                twoDigits(seconds % kSecondsPerMinute);
        if (status.listeners >= 0)
            line += ", " + std::to_string(status.listeners) + (status.listeners == 1 ? " listener" : " listeners");
        return line;
    }
    case BroadcastState::Retrying:
        return "Retrying in " + std::to_string(status.retryInSeconds) + " s: " + status.cause;
    case BroadcastState::Failed:
        return "OFF AIR: " + status.cause;
    }
    return {};
}

MountStatus readMountStatus(const std::string& host, int port, const std::string& mount, int timeoutMs)
{
    MountStatus result;
    plat::ClientSocket socket;
    if (!socket.resolve(host, port) || !socket.startConnect())
        return result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto left = [&] {
        return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    };
    while (left() > 0) {
        const plat::SocketReady ready = socket.pollWritable(std::min(left(), kPollSliceMs));
        if (ready == plat::SocketReady::Failed)
            return result;
        if (ready == plat::SocketReady::Yes)
            break;
    }
    const std::string request = "GET /status-json.xsl HTTP/1.0\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
    size_t sent = 0;
    while (sent < request.size() && left() > 0) {
        const long count = socket.sendSome(request.data() + sent, request.size() - sent);
        if (count < 0)
            return result;
        sent += static_cast<size_t>(count);
    }
    std::string page;
    char buffer[4096];
    while (left() > 0 && page.size() < kMaxStatusPageBytes) {
        const plat::SocketReady ready = socket.pollReadable(std::min(left(), kPollSliceMs));
        if (ready == plat::SocketReady::Failed)
            return result;
        if (ready == plat::SocketReady::No)
            continue;
        const long count = socket.receiveSome(buffer, sizeof buffer);
        if (count < 0)
            return result;
        if (count == 0)
            break;
        page.append(buffer, static_cast<size_t>(count));
    }
    socket.shutdownAndClose();
    if (page.rfind("HTTP/", 0) != 0 || page.find("\"icestats\"") == std::string::npos)
        return result;
    result.reachable = true;
    // Each source is one flat object; its listen URL ends with the mount.
    const std::string needle = mount + "\"";
    size_t at = page.find("\"listenurl\":");
    while (at != std::string::npos) {
        const size_t urlEnd = page.find('"', at + sizeof("\"listenurl\":"));
        if (urlEnd != std::string::npos && urlEnd + 1 >= needle.size() &&
            page.compare(urlEnd + 1 - needle.size(), needle.size(), needle) == 0) {
            const size_t begin = page.rfind('{', at);
            const size_t end = page.find('}', at);
            const std::string_view source = std::string_view(page).substr(begin, end - begin);
            result.live = true;
            const std::string listeners = jsonMember(source, "listeners");
            result.listeners = listeners.empty() ? -1 : std::atoi(listeners.c_str());
            result.title = jsonMember(source, "title");
            break;
        }
        at = page.find("\"listenurl\":", at + 1);
    }
    return result;
}

} // namespace brolet
