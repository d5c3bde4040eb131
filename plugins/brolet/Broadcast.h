#pragma once

#include <cstdint>
#include <string>

#include "plugins/brolet/BroadcastEncoder.h"

namespace zkr {
class Registry;
}

namespace brolet {

// Where the mix goes on air and how it is presented there. Stored in the
// output's settings section; the password in clear, so the file is then
// readable by its owner only.
struct BroadcastSettings {
    static constexpr int kDefaultPort = 8000;
    static constexpr int kDefaultVorbisQuality = 4;
    static constexpr int kDefaultBitRateKbps = 128;
    static constexpr int kHighestPort = 65535;
    static constexpr int kHighestVorbisQuality = 10;
    static constexpr int kLowestBitRate = 8;
    static constexpr int kHighestBitRate = 320;

    std::string host = "localhost";
    int port = kDefaultPort;
    std::string mount = "/velmora";
    std::string user = "source";
    std::string password;
    BroadcastFormat format = BroadcastFormat::OggVorbis;
    // Ogg Vorbis: quality level 0 to 10; Opus and MP3 use bitRateKbps.
    int vorbisQuality = kDefaultVorbisQuality;
    int bitRateKbps = kDefaultBitRateKbps;
    std::string name = "Velmora live";
    std::string description;
    std::string genre;
    std::string url;
    bool listed = false; // in the server's public directory

    // The encoder's quality argument for the chosen format.
    int quality() const { return format == BroadcastFormat::OggVorbis ? vorbisQuality : bitRateKbps; }
};

enum class BroadcastState : int {
    Off,
    Connecting,
    OnAir,
    Retrying, // the connection dropped or the server could not be reached: tries again
    Failed,   // the server refused: the user must change something
};

struct BroadcastStatus {
    BroadcastState state = BroadcastState::Off;
    // Why it is retrying or failed, with what to do, and in a few words.
    std::string reason;
    std::string cause;
    // On air: since when (steady clock, seconds); the listeners (-1: unknown).
    int64_t onAirSince = 0;
    int listeners = -1;
    // Seconds until the next try while retrying.
    int retryInSeconds = 0;
    // Blocks that found the ring full: the network did not keep up.
    uint64_t droppedBlocks = 0;
};

// The broadcast's keys of the output's settings section (selected in the
// store). Writing makes the settings file its owner's only once it holds a
// password; false when that could not be done (nothing is written then).
BroadcastSettings readBroadcastSettings(zkr::Registry& settings);
[[nodiscard]] bool writeBroadcastSettings(zkr::Registry& settings, const BroadcastSettings& broadcast);

// The line the output window shows, e.g. "ON AIR 0:42 3 listeners".
std::string broadcastStatusLine(const BroadcastStatus& status, int64_t nowSeconds);

// What a server's status page tells of one mount.
struct MountStatus {
    bool reachable = false; // the page could be read
    bool live = false;      // a source streams to the mount
    int listeners = -1;
    std::string title;
};

// Reads Icecast's status-json.xsl from host:port and picks the mount out of
// it; gives up after timeoutMs.
MountStatus readMountStatus(const std::string& host, int port, const std::string& mount, int timeoutMs);

} // namespace brolet
