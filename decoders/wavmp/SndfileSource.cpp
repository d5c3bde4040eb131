// WAVMP.ESP: wave files and the other formats libsndfile reads (FLAC, AIFF,
// ...). It still decodes Ogg Vorbis and Opus when asked, but no longer claims
// them: FFmpeg's decoders in WMAMP.ESP play them several times faster.

#include <cstring>
#include <filesystem>

#include <sndfile.h>

#include "decoders/core/Source.h"
#include "api/DecoderModuleApi.h"

namespace decoders {

const ModuleIdentity kModuleIdentity = {
    "Velmora Wave Decoder",
    "Decodes WAV, FLAC, AIFF and more with libsndfile; plays at 44100 Hz through libswresample.",
    "WAV;FLAC;AIF;AIFF;AIFC;AU;SND;W64;CAF",
    0x0100,
};

namespace {

struct FileDeleter {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

std::string formatName(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return "WAV";
    case SF_FORMAT_FLAC:
        return "FLAC";
    case SF_FORMAT_OGG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "Opus" : "Ogg Vorbis";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_AU:
        return "AU";
    case SF_FORMAT_W64:
        return "W64";
    case SF_FORMAT_CAF:
        return "CAF";
    default: {
        SF_FORMAT_INFO info{};
        info.format = format & SF_FORMAT_TYPEMASK;
        if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr)
            return info.name;
        return "Audio";
    }
    }
}

// 0 for the compressed encodings, which have no sample width of their own.
int bitsOf(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
        return 8;
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_DPCM_16:
    case SF_FORMAT_ALAC_16:
        return 16;
    case SF_FORMAT_ALAC_20:
        return 20;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_ALAC_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_ALAC_32:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 0;
    }
}

class SndfileSource final : public Source {
public:
    bool open(const std::string& path) override
    {
        file_.reset(sf_open(path.c_str(), SFM_READ, &info_));
        if (!file_ || info_.channels < 1 || info_.samplerate < 1)
            return false;
        // Floating-point sources clip to 16 bits instead of wrapping.
        sf_command(file_.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
        fileChannels_ = info_.channels;
        channels_ = fileChannels_ == 1 ? 1 : 2;
        length_ = info_.frames >= 0 && info_.frames < SF_COUNT_MAX ? int64_t(info_.frames) : -1;

        wave_.channels = channels_;
        wave_.sampleRate = info_.samplerate;
        wave_.bitsPerSample = bitsOf(info_.format);
        wave_.lengthMs = length_ < 0 ? -1 : int32_t(length_ * 1000 / info_.samplerate);
        std::error_code ignored;
        const auto bytes = std::filesystem::file_size(path, ignored);
        wave_.bitRate = length_ > 0 && !ignored
                            ? int32_t(double(bytes) * 8.0 / (double(length_) / info_.samplerate) / 1000.0 + 0.5)
                            : 0;
        copyText(wave_.format, formatName(info_.format));
        const char* title = sf_get_string(file_.get(), SF_STR_TITLE);
        const char* artist = sf_get_string(file_.get(), SF_STR_ARTIST);
        copyText(wave_.title, title != nullptr ? title : "");
        copyText(wave_.artist, artist != nullptr ? artist : "");
        return true;
    }

    int sampleRate() const override { return info_.samplerate; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }
    bool canSeek() const override { return info_.seekable != 0; }
    bool seek(int64_t frame) override { return sf_seek(file_.get(), sf_count_t(frame), SEEK_SET) >= 0; }

    long read(int16_t* samples, long maxFrames) override
    {
        if (fileChannels_ <= 2)
            return long(sf_readf_short(file_.get(), samples, maxFrames));
        // More channels: the even ones make the left, the odd ones the right.
        wide_.resize(size_t(maxFrames) * size_t(fileChannels_));
        const auto frames = long(sf_readf_short(file_.get(), wide_.data(), maxFrames));
        for (long frame = 0; frame < frames; ++frame) {
            const int16_t* in = wide_.data() + size_t(frame) * size_t(fileChannels_);
            int sums[2] = {0, 0};
            int counts[2] = {0, 0};
            for (int channel = 0; channel < fileChannels_; ++channel) {
                sums[channel % 2] += in[channel];
                ++counts[channel % 2];
            }
            samples[2 * frame] = int16_t(sums[0] / counts[0]);
            samples[2 * frame + 1] = int16_t(sums[1] / counts[1]);
        }
        return frames;
    }

    std::vector<std::byte> information() const override
    {
        std::vector<std::byte> block(sizeof wave_);
        std::memcpy(block.data(), &wave_, sizeof wave_);
        return block;
    }
    int32_t informationValue() const override { return info_.format & SF_FORMAT_TYPEMASK; }

private:
    std::unique_ptr<SNDFILE, FileDeleter> file_;
    SF_INFO info_{};
    int fileChannels_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
    std::vector<int16_t> wide_;
    decoder::WaveInfo wave_{};
};

} // namespace

std::unique_ptr<Source> createSource()
{
    return std::make_unique<SndfileSource>();
}

} // namespace decoders
