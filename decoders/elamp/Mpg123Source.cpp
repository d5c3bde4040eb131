// ELAMP.ESP: MPEG audio layers 1 to 3 through libmpg123.

#include <cstdio>
#include <cstring>
#include <mutex>

#include <mpg123.h>

#include "decoders/core/Source.h"
#include "api/DecoderModuleApi.h"

namespace decoders {

const ModuleIdentity kModuleIdentity = {
    "Velmora MPEG Audio Decoder",
    "Decodes MPEG audio layers 1, 2 and 3 with libmpg123; plays at 44100 Hz through libswresample.",
    "MP3;MP2;MP1;MPA;MPGA",
    0x0100,
};

namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

// libmpg123 reads a file of its own opening a few bytes at a time (a frame's
// header, then its body), several system calls a frame; the scan at the
// open reads it all that way once more. Through stdio's buffer it costs a
// system call per 64 KiB.
constexpr size_t kReadBufferBytes = 64 * 1024;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

mpg123_ssize_t readInput(void* handle, void* buffer, size_t bytes)
{
    auto* file = static_cast<FILE*>(handle);
    const size_t got = std::fread(buffer, 1, bytes, file);
    return got == 0 && std::ferror(file) != 0 ? -1 : mpg123_ssize_t(got);
}

off_t seekInput(void* handle, off_t offset, int whence)
{
    auto* file = static_cast<FILE*>(handle);
    return fseeko(file, offset, whence) == 0 ? ftello(file) : off_t(-1);
}

int versionNumber(int version)
{
    switch (version) {
    case MPG123_1_0:
        return 1;
    case MPG123_2_0:
        return 2;
    default:
        return 25;
    }
}

// An ID3v2 text if there is one, else the ID3v1 field (not zero-terminated
// when full).
std::string tagText(const mpg123_string* v2, const char* v1, size_t v1Size)
{
    if (v2 != nullptr && v2->fill > 1)
        return std::string(v2->p, strnlen(v2->p, v2->fill));
    if (v1 == nullptr)
        return {};
    std::string text(v1, strnlen(v1, v1Size));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

class Mpg123Source final : public Source {
public:
    bool open(const std::string& path) override
    {
        static std::once_flag initialised;
        std::call_once(initialised, [] { mpg123_init(); });
        int error = MPG123_OK;
        handle_.reset(mpg123_new(nullptr, &error));
        if (!handle_)
            return false;
        mpg123_handle* mh = handle_.get();
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
        // 16-bit output at the file's own rate and channel count.
        mpg123_format_none(mh);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        input_.reset(std::fopen(path.c_str(), "rbe"));
        if (!input_ || std::setvbuf(input_.get(), nullptr, _IOFBF, kReadBufferBytes) != 0 ||
            mpg123_replace_reader_handle(mh, readInput, seekInput, nullptr) != MPG123_OK ||
            mpg123_open_handle(mh, input_.get()) != MPG123_OK)
            return false;
        long rate = 0;
        int encoding = 0;
        if (mpg123_getformat(mh, &rate, &channels_, &encoding) != MPG123_OK || rate <= 0)
            return false;
        rate_ = int(rate);
        // The core plays one format to the end: libmpg123 converts frames
        // of a stream whose format changes midway to the first one's.
        mpg123_format_none(mh);
        if (mpg123_format(mh, rate, channels_ == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
            MPG123_OK)
            return false;
        // A full scan gives the exact length and an accurate seek index.
        mpg123_scan(mh);
        length_ = mpg123_length(mh);
        if (length_ < 0)
            length_ = -1;

        mpg123_frameinfo2 frame{};
        if (mpg123_info2(mh, &frame) != MPG123_OK)
            return false;
        info_.version = versionNumber(frame.version);
        info_.layer = frame.layer;
        info_.channelMode = frame.mode;
        info_.sampleRate = rate_;
        info_.bitRate = frame.bitrate;
        info_.lengthMs = length_ < 0 ? -1 : int32_t(int64_t(length_) * 1000 / rate_);
        // The average over the file: its frames' bytes (from the scan's
        // index of frame offsets), not counting tags.
        off_t* offsets = nullptr;
        off_t step = 0;
        size_t fill = 0;
        if (mpg123_index(mh, &offsets, &step, &fill) == MPG123_OK && fill > 1 && step > 0 && mpg123_spf(mh) > 0) {
            const double bytesPerFrame = double(offsets[fill - 1] - offsets[0]) / double((fill - 1) * size_t(step));
            info_.bitRate = int32_t(bytesPerFrame * 8.0 * rate_ / mpg123_spf(mh) / 1000.0 + 0.5);
        }

        mpg123_id3v1* v1 = nullptr;
        mpg123_id3v2* v2 = nullptr;
        if ((mpg123_meta_check(mh) & MPG123_ID3) != 0 && mpg123_id3(mh, &v1, &v2) == MPG123_OK) {
            copyText(info_.title, tagText(v2 ? v2->title : nullptr, v1 ? v1->title : nullptr, 30));
            copyText(info_.artist, tagText(v2 ? v2->artist : nullptr, v1 ? v1->artist : nullptr, 30));
            copyText(info_.album, tagText(v2 ? v2->album : nullptr, v1 ? v1->album : nullptr, 30));
        }
        return mpg123_seek(mh, 0, SEEK_SET) >= 0;
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }
    bool canSeek() const override { return true; }
    bool seek(int64_t frame) override { return mpg123_seek(handle_.get(), off_t(frame), SEEK_SET) >= 0; }

    long read(int16_t* samples, long maxFrames) override
    {
        const size_t frameBytes = size_t(channels_) * sizeof(int16_t);
        for (;;) {
            size_t done = 0;
            const int result = mpg123_read(handle_.get(), samples, size_t(maxFrames) * frameBytes, &done);
            if (done > 0)
                return long(done / frameBytes);
            if (result == MPG123_DONE)
                return 0;
            if (result == MPG123_NEW_FORMAT && !keepsFormat())
                return 0; // a change libmpg123 cannot convert ends the stream
            if (result != MPG123_NEW_FORMAT && result != MPG123_OK)
                return -1;
        }
    }

    std::vector<std::byte> information() const override
    {
        std::vector<std::byte> block(sizeof info_);
        std::memcpy(block.data(), &info_, sizeof info_);
        return block;
    }
    int32_t informationValue() const override { return info_.layer; }

private:
    bool keepsFormat() const
    {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        return mpg123_getformat(handle_.get(), &rate, &channels, &encoding) == MPG123_OK && rate == rate_ &&
               channels == channels_ && encoding == MPG123_ENC_SIGNED_16;
    }

    // The file outlives the handle that reads it.
    std::unique_ptr<FILE, FileCloser> input_;
    std::unique_ptr<mpg123_handle, HandleDeleter> handle_;
    int rate_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
    decoder::MpegInfo info_{};
};

} // namespace

std::unique_ptr<Source> createSource()
{
    return std::make_unique<Mpg123Source>();
}

} // namespace decoders
