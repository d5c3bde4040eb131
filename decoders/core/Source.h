#pragma once

// What a decoder module's library (libmpg123, libsndfile) gives the module
// core: one open file decoded to 16-bit frames at the file's own rate. The
// core does everything else (thread, resampling, blocks, callbacks).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace decoders {

class Source {
public:
    virtual ~Source() = default;

    // False when the file cannot be read or is not one this module decodes.
    virtual bool open(const std::string& path) = 0;

    virtual int sampleRate() const = 0;
    // 1 or 2: the channels read() delivers.
    virtual int channels() const = 0;
    // In frames at the file's rate; -1 when unknown.
    virtual int64_t lengthFrames() const = 0;
    virtual bool canSeek() const = 0;
    virtual bool seek(int64_t frame) = 0;
    // Up to maxFrames interleaved frames; 0 at the end of the file, -1 when
    // decoding fails.
    virtual long read(int16_t* samples, long maxFrames) = 0;

    // The module's information block (ESGetInfo1) and the value that goes
    // with it (ESGetInfo2).
    virtual std::vector<std::byte> information() const = 0;
    virtual int32_t informationValue() const = 0;
};

// Defined once by each module's library source.
struct ModuleIdentity {
    const char* name;
    const char* about;
    const char* extensions; // ';'-separated, no dots
    int32_t version;
};
extern const ModuleIdentity kModuleIdentity;
std::unique_ptr<Source> createSource();

// Copies text into a fixed, zero-terminated field, cutting it short if needed.
template <size_t Size> void copyText(char (&field)[Size], const std::string& text)
{
    const size_t length = text.size() < Size - 1 ? text.size() : Size - 1;
    text.copy(field, length);
    field[length] = '\0';
}

} // namespace decoders
