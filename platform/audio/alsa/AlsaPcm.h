#pragma once

#include <alsa/asoundlib.h>

#include <memory>

namespace plat::audio {

struct AlsaPcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using AlsaPcm = std::unique_ptr<snd_pcm_t, AlsaPcmCloser>;

struct AlsaHwParamsFree {
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
using AlsaHwParams = std::unique_ptr<snd_pcm_hw_params_t, AlsaHwParamsFree>;

struct AlsaSwParamsFree {
    void operator()(snd_pcm_sw_params_t* params) const { snd_pcm_sw_params_free(params); }
};
using AlsaSwParams = std::unique_ptr<snd_pcm_sw_params_t, AlsaSwParamsFree>;

struct AlsaMixerCloser {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using AlsaMixer = std::unique_ptr<snd_mixer_t, AlsaMixerCloser>;

} // namespace plat::audio
