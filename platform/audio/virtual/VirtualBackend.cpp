#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <string_view>

#include "platform/audio/Backend.h"
#include "platform/audio/virtual/PacedStream.h"
#include "platform/audio/virtual/WaveFileHeader.h"
#include "platform/core/UniqueFd.h"

namespace plat::audio {

namespace {

constexpr const char* kOutputFileVariable = "VELMORA_AUDIO_OUTPUT_FILE";
constexpr const char* kInputFileVariable = "VELMORA_AUDIO_INPUT_FILE";
// Set: no input device at all, as on a machine that cannot record.
constexpr const char* kNoInputVariable = "VELMORA_AUDIO_NO_INPUT";

enum : uint32_t { kNullOutput = 0, kFileOutput = 1 };
enum : uint32_t { kSignalInput = 0, kFileInput = 1 };

const char* variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

PacedStream::Pace paceChoice()
{
    const char* pace = std::getenv("VELMORA_AUDIO_PACE");
    if (pace != nullptr && std::string_view(pace) == "off")
        return PacedStream::Pace::Unpaced;
    if (pace != nullptr && std::string_view(pace) == "stall")
        return PacedStream::Pace::Stalled;
    return PacedStream::Pace::RealTime;
}

bool endsWithWav(std::string_view path)
{
    if (path.size() < 4)
        return false;
    std::string_view tail = path.substr(path.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'w' && (tail[2] | 0x20) == 'a' && (tail[3] | 0x20) == 'v';
}

bool writeAll(int fd, const uint8_t* data, size_t bytes)
{
    while (bytes > 0) {
        ssize_t written = ::write(fd, data, bytes);
        if (written < 0)
            return false;
        data += written;
        bytes -= static_cast<size_t>(written);
    }
    return true;
}

// Writes what it plays; a WAVE file's header is brought up to date after
// every write, so the file is whole even if the process ends without closing.
class FileOutput final : public PacedStream {
public:
    FileOutput(const PcmFormat& format, PacedStream::Pace pace, UniqueFd file, bool wave)
        : PacedStream(format, pace), file_(std::move(file)), wave_(wave)
    {
    }

    bool start()
    {
        if (!wave_)
            return true;
        const std::string header = waveHeader(format_, 0);
        return writeAll(file_.get(), reinterpret_cast<const uint8_t*>(header.data()), header.size());
    }

private:
    bool move(uint8_t* data, size_t bytes) override
    {
        if (!writeAll(file_.get(), data, bytes))
            return false;
        dataBytes_ += bytes;
        if (!wave_)
            return true;
        const std::string header =
            waveHeader(format_, static_cast<uint32_t>(std::min<uint64_t>(dataBytes_, 0xFFFFFFFFu)));
        return ::pwrite(file_.get(), header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
    }

    UniqueFd file_; // device thread only
    const bool wave_;
    uint64_t dataBytes_ = 0; // device thread only
};

// A 1 kHz sine at half full scale, the same on every channel.
class SignalInput final : public PacedStream {
public:
    using PacedStream::PacedStream;

private:
    bool move(uint8_t* data, size_t bytes) override
    {
        const uint32_t sampleBytes = format_.bitsPerSample / 8u;
        const size_t frames = bytes / format_.blockAlign();
        for (size_t i = 0; i < frames; ++i, ++frameNumber_) {
            // The phase of frame n: 1000 n / rate cycles; kept exact by taking it modulo the rate.
            const uint64_t step = frameNumber_ * 1000 % format_.samplesPerSecond;
            const double value = 0.5 * std::sin(2 * std::numbers::pi * static_cast<double>(step) /
                                                static_cast<double>(format_.samplesPerSecond));
            const int64_t full = (int64_t{1} << (sampleBytes * 8 - 1)) - 1;
            int64_t sample = std::llround(value * static_cast<double>(full));
            if (sampleBytes == 1)
                sample += 128;
            for (uint16_t channel = 0; channel < format_.channels; ++channel) {
                for (uint32_t b = 0; b < sampleBytes; ++b)
                    *data++ = static_cast<uint8_t>(static_cast<uint64_t>(sample) >> (8 * b));
            }
        }
        return true;
    }

    uint64_t frameNumber_ = 0; // device thread only
};

// The samples of a file, then silence.
class FileInput final : public PacedStream {
public:
    FileInput(const PcmFormat& format, PacedStream::Pace pace, UniqueFd file, uint64_t offset, uint64_t bytes)
        : PacedStream(format, pace), file_(std::move(file)), offset_(offset), left_(bytes)
    {
    }

private:
    bool move(uint8_t* data, size_t bytes) override
    {
        size_t filled = 0;
        while (filled < bytes && left_ > 0) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(left_, bytes - filled));
            ssize_t got = ::pread(file_.get(), data + filled, want, static_cast<off_t>(offset_));
            if (got <= 0) {
                left_ = 0; // the file became shorter: the rest is silence
                break;
            }
            filled += static_cast<size_t>(got);
            offset_ += static_cast<uint64_t>(got);
            left_ -= static_cast<uint64_t>(got);
        }
        fillSilence(format_, data + filled, bytes - filled);
        return true;
    }

    UniqueFd file_;   // device thread only
    uint64_t offset_; // device thread only
    uint64_t left_;   // device thread only
};

Result openOutputFile(const PcmFormat& format, PacedStream::Pace pace, std::unique_ptr<Stream>& stream)
{
    const char* path = variable(kOutputFileVariable);
    if (path == nullptr)
        return Result::NotEnabled;
    UniqueFd file(::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file)
        return Result::Error;
    auto output = std::make_unique<FileOutput>(format, pace, std::move(file), endsWithWav(path));
    if (!output->start())
        return Result::Error;
    stream = std::move(output);
    return Result::Ok;
}

Result openInputFile(const PcmFormat& format, PacedStream::Pace pace, std::unique_ptr<Stream>& stream)
{
    const char* path = variable(kInputFileVariable);
    if (path == nullptr)
        return Result::NotEnabled;
    UniqueFd file(::open(path, O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0)
        return Result::Error;
    const uint64_t size = static_cast<uint64_t>(status.st_size);
    uint64_t offset = 0;
    uint64_t bytes = size;
    char magic[4] = {};
    if (::pread(file.get(), magic, sizeof magic, 0) == 4 && std::memcmp(magic, "RIFF", 4) == 0) {
        WaveDataRange range;
        if (!readWaveHeader(file.get(), size, range))
            return Result::Error;
        // The file's samples are handed over as they are, so they must be what was asked for.
        if (range.formatTag != 1 || range.format.channels != format.channels ||
            range.format.samplesPerSecond != format.samplesPerSecond ||
            range.format.bitsPerSample != format.bitsPerSample)
            return Result::BadFormat;
        offset = range.offset;
        bytes = range.bytes;
    }
    stream = std::make_unique<FileInput>(format, pace, std::move(file), offset, bytes);
    return Result::Ok;
}

class VirtualBackend final : public Backend {
public:
    const char* name() const override { return "virtual"; }

    uint32_t count(Direction direction) override
    {
        return direction == Direction::Input && variable(kNoInputVariable) != nullptr ? 0 : 2;
    }

    Result caps(Direction direction, uint32_t index, DeviceCaps& caps) override
    {
        caps = DeviceCaps{};
        static constexpr const char* kNames[2][2] = {{"Velmora Null Output", "Velmora File Output"},
                                                     {"Velmora Test Signal", "Velmora File Input"}};
        copyName(caps.name, sizeof caps.name, kNames[direction == Direction::Output ? 0 : 1][index]);
        caps.formats = 0x0FFF; // every standard format
        caps.channels = 2;
        return Result::Ok;
    }

    uint32_t defaultIndex(Direction direction) override
    {
        if (direction == Direction::Output)
            return variable(kOutputFileVariable) != nullptr ? kFileOutput : kNullOutput;
        return variable(kInputFileVariable) != nullptr ? kFileInput : kSignalInput;
    }

    Result openStream(Direction direction, uint32_t index, const PcmFormat& format,
                      std::unique_ptr<Stream>& stream, std::string&) override
    {
        const PacedStream::Pace pace = paceChoice();
        if (direction == Direction::Output) {
            if (index == kFileOutput)
                return openOutputFile(format, pace, stream);
            stream = std::make_unique<SilentStream>(format, pace, Direction::Output);
            return Result::Ok;
        }
        if (index == kFileInput)
            return openInputFile(format, pace, stream);
        stream = std::make_unique<SignalInput>(format, pace);
        return Result::Ok;
    }
};

} // namespace

std::unique_ptr<Backend> makeVirtualBackend()
{
    return std::make_unique<VirtualBackend>();
}

} // namespace plat::audio
