#include "plugins/brolet/BroadcastEncoder.h"

#include <lame/lame.h>
#include <ogg/ogg.h>
#include <opus/opusenc.h>
#include <vorbis/vorbisenc.h>

#include <random>

namespace brolet {

namespace {

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr float kSampleScale = 1.0F / 32768.0F;
constexpr int kBitsPerKilobit = 1000;
// Vorbis quality levels are tenths of its -0.1..1 scale.
constexpr float kVorbisLevelScale = 0.1F;

void append(std::vector<uint8_t>& to, const unsigned char* data, long size)
{
    if (size > 0)
        to.insert(to.end(), data, data + size);
}

class VorbisEncoder final : public BroadcastEncoder {
public:
    explicit VorbisEncoder(int level) : level_(level) {}
    ~VorbisEncoder() override { release(); }

    bool begin(const std::string& title) override
    {
        release();
        vorbis_info_init(&info_);
        if (vorbis_encode_init_vbr(&info_, kChannels, kSampleRate, static_cast<float>(level_) * kVorbisLevelScale) != 0) {
            vorbis_info_clear(&info_);
            return false;
        }
        vorbis_comment_init(&comment_);
        if (!title.empty())
            vorbis_comment_add_tag(&comment_, "TITLE", title.c_str());
        vorbis_analysis_init(&dsp_, &info_);
        vorbis_block_init(&dsp_, &block_);
        // Each stream of a chain needs a serial number of its own.
        ogg_stream_init(&stream_, static_cast<int>(std::random_device{}()));
        ogg_packet identification;
        ogg_packet comments;
        ogg_packet codebooks;
        vorbis_analysis_headerout(&dsp_, &comment_, &identification, &comments, &codebooks);
        ogg_stream_packetin(&stream_, &identification);
        ogg_stream_packetin(&stream_, &comments);
        ogg_stream_packetin(&stream_, &codebooks);
        // The headers go out on pages of their own, as players expect.
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page) != 0)
            emit(page);
        open_ = true;
        return true;
    }

    void encode(const int16_t* frames, int frameCount) override
    {
        if (!open_ || frameCount <= 0)
            return;
        float** buffer = vorbis_analysis_buffer(&dsp_, frameCount);
        for (int i = 0; i < frameCount; ++i) {
            buffer[0][i] = static_cast<float>(frames[i * kChannels]) * kSampleScale;
            buffer[1][i] = static_cast<float>(frames[i * kChannels + 1]) * kSampleScale;
        }
        vorbis_analysis_wrote(&dsp_, frameCount);
        drain();
    }

    void finish() override
    {
        if (!open_)
            return;
        vorbis_analysis_wrote(&dsp_, 0);
        drain();
        release();
    }

    bool retitle(const std::string& title) override
    {
        // A chained stream: the old one ends, a new one starts with the title in its comments.
        finish();
        return begin(title);
    }

private:
    void drain()
    {
        ogg_packet packet;
        ogg_page page;
        while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
            vorbis_analysis(&block_, nullptr);
            vorbis_bitrate_addblock(&block_);
            while (vorbis_bitrate_flushpacket(&dsp_, &packet) != 0) {
                ogg_stream_packetin(&stream_, &packet);
                while (ogg_stream_pageout(&stream_, &page) != 0)
                    emit(page);
            }
        }
        // The last page of a stream is never held back.
        if (ogg_stream_eos(&stream_) == 0)
            return;
        while (ogg_stream_flush(&stream_, &page) != 0)
            emit(page);
    }

    void emit(const ogg_page& page)
    {
        append(output, page.header, page.header_len);
        append(output, page.body, page.body_len);
    }

    void release()
    {
        if (!open_)
            return;
        ogg_stream_clear(&stream_);
        vorbis_block_clear(&block_);
        vorbis_dsp_clear(&dsp_);
        vorbis_comment_clear(&comment_);
        vorbis_info_clear(&info_);
        open_ = false;
    }

    int level_;
    bool open_ = false;
    vorbis_info info_{};
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    ogg_stream_state stream_{};
};

class OpusEncoder final : public BroadcastEncoder {
public:
    explicit OpusEncoder(int kbps) : kbps_(kbps) {}
    ~OpusEncoder() override { release(); }

    bool begin(const std::string& title) override
    {
        release();
        OggOpusComments* comments = tags(title);
        if (comments == nullptr)
            return false;
        const OpusEncCallbacks callbacks{&OpusEncoder::write, &OpusEncoder::close};
        int error = OPE_OK;
        encoder_ = ope_encoder_create_callbacks(&callbacks, this, comments, kSampleRate, kChannels, 0, &error);
        ope_comments_destroy(comments);
        if (encoder_ == nullptr)
            return false;
        if (ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(kbps_ * kBitsPerKilobit)) != OPE_OK ||
            ope_encoder_flush_header(encoder_) != OPE_OK) {
            release();
            return false;
        }
        return true;
    }

    void encode(const int16_t* frames, int frameCount) override
    {
        if (encoder_ != nullptr && frameCount > 0)
            (void)ope_encoder_write(encoder_, frames, frameCount); // a failing codec only loses sound
    }

    void finish() override
    {
        if (encoder_ != nullptr)
            (void)ope_encoder_drain(encoder_); // whatever it gave is sent
        release();
    }

    bool retitle(const std::string& title) override
    {
        if (encoder_ == nullptr)
            return begin(title);
        OggOpusComments* comments = tags(title);
        if (comments == nullptr)
            return false;
        // A chained stream whose tags name the new title; the sound goes on.
        const bool chained = ope_encoder_chain_current(encoder_, comments) == OPE_OK;
        ope_comments_destroy(comments);
        return chained;
    }

private:
    static OggOpusComments* tags(const std::string& title)
    {
        OggOpusComments* comments = ope_comments_create();
        if (comments != nullptr && !title.empty())
            (void)ope_comments_add(comments, "TITLE", title.c_str()); // without it the stream has no title
        return comments;
    }

    static int write(void* self, const unsigned char* data, opus_int32 size)
    {
        append(static_cast<OpusEncoder*>(self)->output, data, size);
        return 0;
    }

    static int close(void*) { return 0; }

    void release()
    {
        if (encoder_ != nullptr)
            ope_encoder_destroy(encoder_);
        encoder_ = nullptr;
    }

    int kbps_;
    OggOpusEnc* encoder_ = nullptr;
};

class Mp3Encoder final : public BroadcastEncoder {
public:
    explicit Mp3Encoder(int kbps) : kbps_(kbps) {}
    ~Mp3Encoder() override { release(); }

    bool begin(const std::string&) override
    {
        release();
        lame_ = lame_init();
        if (lame_ == nullptr)
            return false;
        lame_set_in_samplerate(lame_, kSampleRate);
        lame_set_num_channels(lame_, kChannels);
        lame_set_brate(lame_, kbps_);
        lame_set_quality(lame_, kEncoderQuality);
        // A stream has no end to go back to for a Xing header.
        lame_set_bWriteVbrTag(lame_, 0);
        if (lame_init_params(lame_) < 0) {
            release();
            return false;
        }
        return true;
    }

    void encode(const int16_t* frames, int frameCount) override
    {
        if (lame_ == nullptr || frameCount <= 0)
            return;
        // LAME's own bound for the bytes of one call.
        const size_t room = static_cast<size_t>(frameCount) * 5 / 4 + kMp3Slack;
        const size_t start = output.size();
        output.resize(start + room);
        const int made = lame_encode_buffer_interleaved(lame_, const_cast<short*>(frames), frameCount,
                                                        output.data() + start, static_cast<int>(room));
        output.resize(start + static_cast<size_t>(made > 0 ? made : 0));
    }

    void finish() override
    {
        if (lame_ == nullptr)
            return;
        const size_t start = output.size();
        output.resize(start + kMp3Slack);
        const int made = lame_encode_flush(lame_, output.data() + start, static_cast<int>(kMp3Slack));
        output.resize(start + static_cast<size_t>(made > 0 ? made : 0));
        release();
    }

    bool retitle(const std::string&) override { return false; }

private:
    // LAME's speed and quality trade-off: 5 is its "good quality, fast".
    static constexpr int kEncoderQuality = 5;
    static constexpr size_t kMp3Slack = 7200;

    void release()
    {
        if (lame_ != nullptr)
            lame_close(lame_);
        lame_ = nullptr;
    }

    int kbps_;
    lame_global_flags* lame_ = nullptr;
};

} // namespace

std::unique_ptr<BroadcastEncoder> makeBroadcastEncoder(BroadcastFormat format, int quality)
{
    switch (format) {
    case BroadcastFormat::OggVorbis:
        return std::make_unique<VorbisEncoder>(quality);
    case BroadcastFormat::OggOpus:
        return std::make_unique<OpusEncoder>(quality);
    case BroadcastFormat::Mp3:
        return std::make_unique<Mp3Encoder>(quality);
    }
    return nullptr;
}

} // namespace brolet
