#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brolet {

// What listeners receive: the containers and codecs the streaming servers
// and players take.
enum class BroadcastFormat : int {
    OggVorbis = 0,
    OggOpus = 1,
    Mp3 = 2,
};

// Turns the mix (44.1 kHz, 16-bit stereo, interleaved) into the bytes a
// streaming server is sent: whole Ogg pages, or MP3 frames. Each encoder
// starts a complete stream on begin, so a new connection gets its own
// headers. Runs on the broadcast thread only.
class BroadcastEncoder {
public:
    virtual ~BroadcastEncoder() = default;
    // Starts a stream whose tags carry title (may be empty); false when the
    // codec refuses the settings.
    virtual bool begin(const std::string& title) = 0;
    virtual void encode(const int16_t* frames, int frameCount) = 0;
    // Ends the stream: what the codec still holds goes out.
    virtual void finish() = 0;
    // Gives the stream a new title in its own data; false when the format
    // has no place for it and the server must be told instead (MP3).
    virtual bool retitle(const std::string& title) = 0;

    // Encoded bytes waiting to be sent; the sender takes them and clears it.
    std::vector<uint8_t> output;
};

// Quality: Ogg Vorbis takes its quality level 0 to 10, the others a bit rate
// in kbit/s.
std::unique_ptr<BroadcastEncoder> makeBroadcastEncoder(BroadcastFormat format, int quality);

} // namespace brolet
