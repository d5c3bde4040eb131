#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/Backend.h"
#include "platform/audio/alsa/AlsaPcm.h"
#include "platform/audio/alsa/AlsaStream.h"

namespace plat::audio {

namespace {

// Frees the strings that snd_device_name_get_hint allocates.
struct HintText {
    explicit HintText(char* text) : text(text) {}
    HintText(const HintText&) = delete;
    HintText& operator=(const HintText&) = delete;
    ~HintText() { std::free(text); }
    char* text;
};

// Whether a capture PCM has something to record from: "null" only makes
// silence, and a name whose card is missing ("default" on a machine without
// a sound card) does not open. One that is busy or refused still exists.
bool canCapture(const std::string& name)
{
    if (name == "null")
        return false;
    snd_pcm_t* raw = nullptr;
    const int error = snd_pcm_open(&raw, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (error < 0)
        return alsaOpenResult(error) != Result::BadDeviceId;
    AlsaPcm pcm(raw);
    return true;
}

std::vector<std::string> pcmNames(Direction direction)
{
    std::vector<std::string> names{"default"};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr)
        return names;
    const char* wanted = direction == Direction::Output ? "Output" : "Input";
    for (void** hint = hints; *hint != nullptr; ++hint) {
        HintText name(snd_device_name_get_hint(*hint, "NAME"));
        HintText ioid(snd_device_name_get_hint(*hint, "IOID"));
        if (name.text == nullptr)
            continue;
        // No IOID means both directions.
        if (ioid.text != nullptr && std::strcmp(ioid.text, wanted) != 0)
            continue;
        bool known = false;
        for (const std::string& seen : names)
            known = known || seen == name.text;
        if (!known)
            names.emplace_back(name.text);
    }
    snd_device_name_free_hint(hints);
    return names;
}

// The card a PCM name plays on: CARD=<id>, hw:<n> or plughw:<n>; the first card for "default"; -1 for none.
int cardOf(const std::string& name)
{
    std::string card;
    const size_t key = name.find("CARD=");
    if (key != std::string::npos) {
        card = name.substr(key + 5);
    } else if (name.rfind("hw:", 0) == 0 || name.rfind("plughw:", 0) == 0) {
        card = name.substr(name.find(':') + 1);
    }
    if (!card.empty()) {
        card = card.substr(0, card.find(','));
        return snd_card_get_index(card.c_str());
    }
    if (name != "default")
        return -1;
    int first = -1;
    if (snd_card_next(&first) < 0)
        return -1;
    return first;
}

// Volume flags of a card: a playback volume element, and one with more than one channel.
uint32_t volumeSupport(int card)
{
    if (card < 0)
        return 0;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0)
        return 0;
    AlsaMixer mixer(raw);
    const std::string control = "hw:" + std::to_string(card);
    if (snd_mixer_attach(raw, control.c_str()) < 0 || snd_mixer_selem_register(raw, nullptr, nullptr) < 0 ||
        snd_mixer_load(raw) < 0)
        return 0;
    uint32_t support = 0;
    for (snd_mixer_elem_t* element = snd_mixer_first_elem(raw); element != nullptr;
         element = snd_mixer_elem_next(element)) {
        if (!snd_mixer_selem_has_playback_volume(element))
            continue;
        support |= kSupportVolume;
        if (!snd_mixer_selem_is_playback_mono(element))
            support |= kSupportLeftRightVolume;
    }
    return support;
}

snd_pcm_format_t sampleFormat(unsigned bits)
{
    return bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

// What a PCM really accepts, found with its hardware parameters.
void probeFormats(const std::string& name, Direction direction, DeviceCaps& caps)
{
    snd_pcm_t* raw = nullptr;
    const snd_pcm_stream_t stream =
        direction == Direction::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
    if (snd_pcm_open(&raw, name.c_str(), stream, SND_PCM_NONBLOCK) < 0)
        return;
    AlsaPcm pcm(raw);
    snd_pcm_hw_params_t* anyRaw = nullptr;
    snd_pcm_hw_params_t* tryRaw = nullptr;
    if (snd_pcm_hw_params_malloc(&anyRaw) < 0)
        return;
    AlsaHwParams any(anyRaw);
    if (snd_pcm_hw_params_malloc(&tryRaw) < 0)
        return;
    AlsaHwParams attempt(tryRaw);
    if (snd_pcm_hw_params_any(raw, anyRaw) < 0 ||
        snd_pcm_hw_params_set_access(raw, anyRaw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0)
        return;
    static constexpr unsigned kRates[] = {11025, 22050, 44100};
    for (unsigned rate = 0; rate < 3; ++rate) {
        for (unsigned bits = 0; bits < 2; ++bits) {
            for (unsigned channels = 0; channels < 2; ++channels) {
                snd_pcm_hw_params_copy(tryRaw, anyRaw);
                if (snd_pcm_hw_params_set_format(raw, tryRaw, sampleFormat(bits == 0 ? 8 : 16)) == 0 &&
                    snd_pcm_hw_params_set_channels(raw, tryRaw, channels + 1) == 0 &&
                    snd_pcm_hw_params_set_rate(raw, tryRaw, kRates[rate], 0) == 0)
                    caps.formats |= 1u << (rate * 4 + bits * 2 + channels);
            }
        }
    }
    unsigned maxChannels = 0;
    if (snd_pcm_hw_params_get_channels_max(anyRaw, &maxChannels) == 0)
        caps.channels = maxChannels >= 2 ? 2 : maxChannels;
}

// alsa-lib prints its errors to stderr; ours reach the caller as results instead.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class AlsaBackend final : public Backend {
public:
    AlsaBackend()
    {
        static std::once_flag quiet;
        std::call_once(quiet, [] { snd_lib_error_set_handler(ignoreAlsaError); });
        for (Direction direction : {Direction::Output, Direction::Input}) {
            List& list = lists_[static_cast<int>(direction)];
            list.names = pcmNames(direction);
            // A recording input that cannot record is no device to offer.
            if (direction == Direction::Input)
                std::erase_if(list.names, [](const std::string& name) { return !canCapture(name); });
            list.caps.resize(list.names.size());
        }
    }

    const char* name() const override { return "alsa"; }

    uint32_t count(Direction direction) override
    {
        return static_cast<uint32_t>(lists_[static_cast<int>(direction)].names.size());
    }

    Result caps(Direction direction, uint32_t index, DeviceCaps& caps) override
    {
        List& list = lists_[static_cast<int>(direction)];
        std::optional<DeviceCaps>& known = list.caps[index];
        if (!known) {
            DeviceCaps probed;
            const std::string& name = list.names[index];
            copyName(probed.name, sizeof probed.name, name.c_str());
            probeFormats(name, direction, probed);
            if (direction == Direction::Output)
                probed.support = volumeSupport(cardOf(name));
            known = probed;
        }
        caps = *known;
        return Result::Ok;
    }

    uint32_t defaultIndex(Direction) override { return 0; }

    Result openStream(Direction direction, uint32_t index, const PcmFormat& format,
                      std::unique_ptr<Stream>& stream, std::string& reason) override
    {
        return AlsaStream::open(lists_[static_cast<int>(direction)].names[index], direction, format, stream,
                                reason);
    }

private:
    struct List {
        std::vector<std::string> names;
        std::vector<std::optional<DeviceCaps>> caps; // probed when first asked for
    };
    List lists_[2];
};

} // namespace

std::unique_ptr<Backend> makeAlsaBackend()
{
    return std::make_unique<AlsaBackend>();
}

} // namespace plat::audio
