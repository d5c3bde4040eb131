// WMAMP.ESP: every other format FFmpeg's libavformat and libavcodec read
// (WMA, AAC in MP4/M4A or ADTS, ALAC, WavPack, Monkey's Audio, Matroska and
// WebM audio, AC-3, DTS, TTA, Musepack, ...), and Ogg Vorbis and Opus, which
// FFmpeg's own decoders decode faster than the libraries libsndfile uses.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include "decoders/core/Source.h"
#include "api/DecoderModuleApi.h"

namespace decoders {

// Only extensions the other two modules do not claim: the player gives a
// file to the first module (in name order) whose list holds its extension.
const ModuleIdentity kModuleIdentity = {
    "Velmora Media Decoder",
    "Decodes Ogg Vorbis, Opus, WMA, AAC, ALAC, WavPack, Monkey's Audio and more with FFmpeg; plays at 44100 "
    "Hz through libswresample.",
    "OGG;OGA;OPUS;WMA;ASF;M4A;M4B;MP4;AAC;ADTS;WV;APE;MKA;WEBM;AC3;EC3;DTS;TTA;MPC;SPX;AMR;3GP;3G2;TAK;DSF;"
    "DFF",
    0x0100,
};

namespace {

// A stream that keeps failing to decode is given up after this many packets
// in a row, so that a file of garbage ends instead of being read to its end.
constexpr int kMostFailedPacketsInARow = 64;
// More than any codec's frame overlap (AAC's and WMA's are 2048 frames at most).
constexpr int64_t kSeekPrerollFrames = 4096;
// libavcodec's count of decoding threads that means one per core.
constexpr int kThreadPerCore = 0;

struct FormatDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ResamplerDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

// The names a user knows the common codecs by; FFmpeg's own for the rest.
std::string formatName(const AVCodecDescriptor* descriptor)
{
    if (descriptor == nullptr)
        return "Audio";
    switch (descriptor->id) {
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_AAC_LATM:
        return "AAC";
    case AV_CODEC_ID_ALAC:
        return "ALAC";
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return "WMA";
    case AV_CODEC_ID_WMAPRO:
        return "WMA Pro";
    case AV_CODEC_ID_WMALOSSLESS:
        return "WMA Lossless";
    case AV_CODEC_ID_WMAVOICE:
        return "WMA Voice";
    case AV_CODEC_ID_WAVPACK:
        return "WavPack";
    case AV_CODEC_ID_APE:
        return "Monkey's Audio";
    case AV_CODEC_ID_OPUS:
        return "Opus";
    case AV_CODEC_ID_VORBIS:
        return "Ogg Vorbis";
    case AV_CODEC_ID_FLAC:
        return "FLAC";
    default:
        return descriptor->long_name != nullptr ? descriptor->long_name : descriptor->name;
    }
}

std::string tag(const AVFormatContext* format, const AVStream* stream, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(format->metadata, key, nullptr, 0);
    if (entry == nullptr)
        entry = av_dict_get(stream->metadata, key, nullptr, 0);
    return entry != nullptr && entry->value != nullptr ? entry->value : "";
}

class FfmpegSource final : public Source {
public:
    FfmpegSource() = default;
    FfmpegSource(const FfmpegSource&) = delete;
    FfmpegSource& operator=(const FfmpegSource&) = delete;
    ~FfmpegSource() override { av_channel_layout_uninit(&converterLayout_); }

    bool open(const std::string& path) override
    {
        // A damaged file is a stream that ends early, not lines on the host's error output.
        static std::once_flag quietened;
        std::call_once(quietened, [] { av_log_set_level(AV_LOG_QUIET); });
        AVFormatContext* opened = nullptr;
        if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0)
            return false;
        format_.reset(opened);
        if (avformat_find_stream_info(opened, nullptr) < 0)
            return false;
        const AVCodec* codec = nullptr;
        streamIndex_ = av_find_best_stream(opened, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (streamIndex_ < 0 || codec == nullptr)
            return false;
        // Pictures and video beside the audio are not even read.
        for (unsigned i = 0; i < opened->nb_streams; ++i)
            if (int(i) != streamIndex_)
                opened->streams[i]->discard = AVDISCARD_ALL;
        stream_ = opened->streams[streamIndex_];

        codec_.reset(avcodec_alloc_context3(codec));
        if (!codec_ || avcodec_parameters_to_context(codec_.get(), stream_->codecpar) < 0)
            return false;
        codec_->pkt_timebase = stream_->time_base;
        // As ffmpeg decodes: the codecs that can decode frames side by side
        // (ALAC, WavPack, ...) use a thread per core, so that a lossless file
        // is not held to one; the others decode on the stream's thread alone.
        codec_->thread_count = kThreadPerCore;
        codec_->thread_type = FF_THREAD_FRAME;
        if (avcodec_open2(codec_.get(), codec, nullptr) < 0)
            return false;
        packet_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        rate_ = codec_->sample_rate;
        const int fileChannels = codec_->ch_layout.nb_channels;
        if (!packet_ || !frame_ || rate_ <= 0 || fileChannels < 1)
            return false;
        channels_ = fileChannels == 1 ? 1 : 2;

        startTime_ = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
        length_ = -1;
        if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0)
            length_ = av_rescale_q(stream_->duration, stream_->time_base, AVRational{1, rate_});
        else if (opened->duration != AV_NOPTS_VALUE && opened->duration > 0)
            length_ = av_rescale(opened->duration, rate_, AV_TIME_BASE);
        // An MP4 family file states the length of the audio it was made from
        // (its edit list); the last packet's padding past it is not played.
        endsAtLength_ = length_ > 0 && std::strstr(opened->iformat->name, "mp4") != nullptr;
        // Elsewhere a stated length that counts the encoder's delay (Ogg Opus) is told without it.
        if (!endsAtLength_ && length_ > stream_->codecpar->initial_padding)
            length_ -= stream_->codecpar->initial_padding;

        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec_->codec_id);
        information_.wave.channels = channels_;
        information_.wave.sampleRate = rate_;
        const bool lossless = descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_LOSSLESS) != 0;
        const int rawBits = stream_->codecpar->bits_per_raw_sample;
        information_.wave.bitsPerSample = !lossless     ? 0
                                          : rawBits > 0 ? rawBits
                                                        : av_get_bytes_per_sample(codec_->sample_fmt) * 8;
        information_.wave.lengthMs = length_ < 0 ? -1 : int32_t(length_ * 1000 / rate_);
        int64_t bitRate = codec_->bit_rate > 0 ? codec_->bit_rate : opened->bit_rate;
        std::error_code ignored;
        const auto bytes = std::filesystem::file_size(path, ignored);
        if (length_ > 0 && !ignored)
            bitRate = int64_t(double(bytes) * 8.0 * rate_ / double(length_));
        information_.wave.bitRate = int32_t((bitRate + 500) / 1000);
        copyText(information_.wave.format, formatName(descriptor));
        copyText(information_.wave.title, tag(opened, stream_, "title"));
        copyText(information_.wave.artist, tag(opened, stream_, "artist"));
        copyText(information_.album, tag(opened, stream_, "album"));
        codecId_ = int32_t(codec_->codec_id);
        canSeek_ = opened->pb != nullptr && (opened->pb->seekable & AVIO_SEEKABLE_NORMAL) != 0;
        position_ = 0;
        skipTo_ = 0;
        return true;
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }
    bool canSeek() const override { return canSeek_; }

    bool seek(int64_t frame) override
    {
        // From a little before, so that the codec's overlap with the frame
        // before is decoded too and the samples are the same as when played through.
        // Before the start too: the frames a codec primes itself with are then
        // decoded and left out as at the start.
        const int64_t from = frame - kSeekPrerollFrames;
        const int64_t target = startTime_ + av_rescale_q(from, AVRational{1, rate_}, stream_->time_base);
        if (av_seek_frame(format_.get(), streamIndex_, target, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
        avcodec_flush_buffers(codec_.get());
        av_frame_unref(frame_.get());
        frameOffset_ = 0;
        ended_ = false;
        draining_ = false;
        // The packet found starts at or before the frame: decode up to it.
        position_ = -1;
        skipTo_ = frame;
        return true;
    }

    long read(int16_t* samples, long maxFrames) override
    {
        long done = 0;
        while (done < maxFrames) {
            if (frameOffset_ >= frame_->nb_samples) {
                const int next = nextFrame();
                if (next < 0)
                    return done > 0 ? done : -1;
                if (next == 0)
                    break;
                continue;
            }
            long count = std::min<long>(maxFrames - done, frame_->nb_samples - frameOffset_);
            if (endsAtLength_ && position_ + count > length_)
                count = long(std::max<int64_t>(0, length_ - position_));
            if (count == 0) {
                ended_ = true;
                break;
            }
            if (!convert(samples + done * channels_, count))
                return -1;
            frameOffset_ += int(count);
            position_ += count;
            done += count;
        }
        return done;
    }

    std::vector<std::byte> information() const override
    {
        std::vector<std::byte> block(sizeof information_);
        std::memcpy(block.data(), &information_, sizeof information_);
        return block;
    }
    int32_t informationValue() const override { return codecId_; }

private:
    // The next decoded frame into frame_, its frames before the wanted
    // position skipped: 1 when there is one, 0 at the end, -1 on an error.
    int nextFrame()
    {
        for (;;) {
            if (ended_)
                return 0;
            av_frame_unref(frame_.get());
            frameOffset_ = 0;
            const int received = avcodec_receive_frame(codec_.get(), frame_.get());
            if (received == 0) {
                if (!placeFrame())
                    continue;
                return 1;
            }
            if (received == AVERROR_EOF) {
                ended_ = true;
                return 0;
            }
            if (received != AVERROR(EAGAIN))
                return -1;
            if (!sendPacket())
                return -1;
        }
    }

    // Feeds the decoder one packet of our stream (or the end); false on a
    // stream that cannot be decoded any more.
    bool sendPacket()
    {
        if (draining_)
            return false;
        for (;;) {
            const int readResult = av_read_frame(format_.get(), packet_.get());
            if (readResult < 0) {
                draining_ = true;
                return avcodec_send_packet(codec_.get(), nullptr) == 0;
            }
            if (packet_->stream_index != streamIndex_) {
                av_packet_unref(packet_.get());
                continue;
            }
            const int sent = avcodec_send_packet(codec_.get(), packet_.get());
            av_packet_unref(packet_.get());
            if (sent == 0) {
                failedInARow_ = 0;
                return true;
            }
            // A damaged packet is passed over, as players do; a run of them ends the stream.
            if (sent == AVERROR(ENOMEM) || ++failedInARow_ > kMostFailedPacketsInARow)
                return false;
        }
    }

    // Places a frame after a seek: where it starts (from its time stamp),
    // and the part before the wanted frame dropped. False when all of it
    // lies before.
    bool placeFrame()
    {
        if (frame_->nb_samples <= 0 || frame_->sample_rate != rate_)
            return false;
        if (position_ < 0) {
            const int64_t stamp = frame_->best_effort_timestamp;
            position_ = stamp == AV_NOPTS_VALUE
                            ? skipTo_
                            : av_rescale_q(stamp - startTime_, stream_->time_base, AVRational{1, rate_});
        }
        if (position_ + frame_->nb_samples <= skipTo_) {
            position_ += frame_->nb_samples;
            return false;
        }
        if (position_ < skipTo_) {
            frameOffset_ = int(skipTo_ - position_);
            position_ = skipTo_;
        }
        return true;
    }

    // Converts count frames of frame_ from frameOffset_ into interleaved
    // 16-bit frames of our channel count.
    bool convert(int16_t* out, long count)
    {
        const AVFrame& frame = *frame_;
        if (!converter_ || frame.format != converterFormat_ ||
            av_channel_layout_compare(&frame.ch_layout, &converterLayout_) != 0) {
            AVChannelLayout outLayout{};
            av_channel_layout_default(&outLayout, channels_);
            // libswresample only reads the layout it is given.
            auto* inLayout = const_cast<AVChannelLayout*>(&frame.ch_layout);
            SwrContext* created = nullptr;
            if (swr_alloc_set_opts2(&created, &outLayout, AV_SAMPLE_FMT_S16, rate_, inLayout,
                                    AVSampleFormat(frame.format), rate_, 0, nullptr) < 0)
                return false;
            converter_.reset(created);
            if (swr_init(created) < 0) {
                converter_.reset();
                return false;
            }
            converterFormat_ = frame.format;
            av_channel_layout_uninit(&converterLayout_);
            if (av_channel_layout_copy(&converterLayout_, &frame.ch_layout) < 0)
                return false;
        }
        // The planes (or the one interleaved plane) from frameOffset_ on.
        const auto format = AVSampleFormat(frame.format);
        const int sampleBytes = av_get_bytes_per_sample(format);
        const bool planar = av_sample_fmt_is_planar(format) != 0;
        const int planes = planar ? frame.ch_layout.nb_channels : 1;
        const size_t offsetBytes =
            size_t(frameOffset_) * size_t(sampleBytes) * size_t(planar ? 1 : frame.ch_layout.nb_channels);
        planePointers_.resize(size_t(planes));
        for (int plane = 0; plane < planes; ++plane)
            planePointers_[size_t(plane)] = frame.extended_data[plane] + offsetBytes;
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out)};
        return swr_convert(converter_.get(), outPlanes, int(count), planePointers_.data(), int(count)) ==
               int(count);
    }

    std::unique_ptr<AVFormatContext, FormatDeleter> format_;
    std::unique_ptr<AVCodecContext, CodecDeleter> codec_;
    std::unique_ptr<AVPacket, PacketDeleter> packet_;
    std::unique_ptr<AVFrame, FrameDeleter> frame_;
    std::unique_ptr<SwrContext, ResamplerDeleter> converter_;
    int converterFormat_ = -1;
    AVChannelLayout converterLayout_{};
    std::vector<const uint8_t*> planePointers_;
    AVStream* stream_ = nullptr;
    int streamIndex_ = -1;
    int rate_ = 0;
    int channels_ = 0;
    int64_t startTime_ = 0;
    int64_t length_ = -1;
    bool endsAtLength_ = false;
    bool canSeek_ = false;
    int frameOffset_ = 0;
    int64_t position_ = 0; // of frame_'s first frame plus frameOffset_, from the start; -1: not yet known
    int64_t skipTo_ = 0;   // frames before this are dropped
    bool ended_ = false;
    bool draining_ = false;
    int failedInARow_ = 0;
    int32_t codecId_ = 0;
    decoder::MediaInfo information_{};
};

} // namespace

std::unique_ptr<Source> createSource()
{
    return std::make_unique<FfmpegSource>();
}

} // namespace decoders
