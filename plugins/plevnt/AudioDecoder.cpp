#include "plugins/plevnt/AudioDecoder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "zkr/Text.h"

namespace plevnt {

namespace {

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

template <std::size_t N> void copyField(char (&to)[N], const char* from, std::size_t fromSize)
{
    const std::size_t length = strnlen(from, fromSize);
    const std::size_t kept = std::min(length, N - 1);
    std::memcpy(to, from, kept);
    to[kept] = '\0';
}

int32_t channelModeOf(int32_t channels)
{
    return channels == 1 ? kChannelModeMono : 0;
}

void parseMpeg(const decoder::MpegInfo& block, int32_t layer, StreamInfo& info)
{
    const char* version = block.version == 25 ? "2.5" : block.version == 2 ? "2" : "1";
    std::snprintf(info.media, sizeof info.media, "MPEG %s Layer %i", version, layer);
    info.channelMode = block.channelMode;
    info.sampleRate = block.sampleRate;
    info.bitRate = block.bitRate;
    // MPEG audio has no sample size of its own.
    info.hasBits = 0;
    info.bits = 16;
    copyField(info.title, block.title, sizeof block.title);
    copyField(info.artist, block.artist, sizeof block.artist);
    copyField(info.album, block.album, sizeof block.album);
    info.valid = 1;
}

void parseWave(const decoder::WaveInfo& block, StreamInfo& info)
{
    copyField(info.media, block.format, sizeof block.format);
    info.channelMode = channelModeOf(block.channels);
    info.sampleRate = block.sampleRate;
    info.bitRate = block.bitRate;
    info.hasBits = block.bitsPerSample > 0 ? 1 : 0;
    info.bits = block.bitsPerSample > 0 ? block.bitsPerSample : 16;
    copyField(info.title, block.title, sizeof block.title);
    copyField(info.artist, block.artist, sizeof block.artist);
    info.valid = 1;
}

} // namespace

InfoParser parserForModule(const std::string& fileName)
{
    const std::string name = upperCase(plat::fileNameOf(fileName));
    if (name == "ELAMP.ESP")
        return InfoParser::Mpeg;
    if (name == "WAVMP.ESP")
        return InfoParser::Wave;
    if (name == "WMAMP.ESP")
        return InfoParser::WindowsMedia;
    return InfoParser::None;
}

AudioDecoder::AudioDecoder()
{
    kind = zkr::kKindAudioDecoder;
}

AudioDecoder::~AudioDecoder()
{
    release();
}

int AudioDecoder::getName(char* buffer)
{
    if (buffer != nullptr && !fileName_.empty()) {
        zkr::copyText(buffer, zkr::kObjectNameSize, fileName_.c_str());
        return kind;
    }
    return ObjectBase::getName(buffer);
}

bool AudioDecoder::bind()
{
    auto* slots = reinterpret_cast<void**>(&functions);
    for (int i = 0; i < decoder::kModuleFunctionCount; ++i) {
        slots[i] = library_.symbol(decoder::kModuleFunctionNames[i]);
        if (slots[i] == nullptr)
            return false;
    }
    return true;
}

bool AudioDecoder::readText(decoder::ESGetNameFn get, std::string& out)
{
    char text[decoder::kTextSize + 1] = {};
    int32_t size = decoder::kTextSize;
    if (get(text, &size) == 0)
        return false;
    // A module that forgets the terminator is cut at the buffer's end.
    text[decoder::kTextSize] = '\0';
    out = text;
    return true;
}

int AudioDecoder::load(const std::string& path)
{
    release();
    // The module is named by its original file: the copy's ".n" is the player's.
    std::string original = plat::fileNameOf(path);
    if (const auto dot = original.rfind('.');
        dot != std::string::npos && dot > 0 && std::isdigit(static_cast<unsigned char>(original.back())))
        original.resize(dot);
    fileName_ = original;
    int result = toWire(engine::Error::Ok);
    if (!library_.load(path))
        result = toWire(engine::Error::CannotUseResource);
    else if (!bind())
        result = toWire(engine::Error::CorruptExports);
    else if (!readText(functions.getName, name_) || !readText(functions.getAbout, about_) ||
             !readText(functions.getExts, extensions_))
        result = toWire(engine::Error::PluginInternal);
    if (result != toWire(engine::Error::Ok)) {
        release();
        setError(result);
        return result;
    }
    version_ = functions.getVersion();
    parser_ = parserForModule(fileName_);
    loaded_ = true;
    clearError();
    return toWire(engine::Error::Ok);
}

void AudioDecoder::release()
{
    functions = Functions{};
    library_.release();
    loaded_ = false;
}

bool AudioDecoder::handles(const std::string& path) const
{
    const std::string extension = plat::extensionOf(plat::fileNameOf(path));
    if (extension.size() < 2)
        return false;
    return upperCase(extensions_).find(upperCase(extension.substr(1))) != std::string::npos;
}

void AudioDecoder::parse(const void* block, int32_t blockSize, int32_t value, StreamInfo& info) const
{
    info = StreamInfo{};
    if (block == nullptr)
        return;
    switch (parser_) {
    case InfoParser::Mpeg:
        if (blockSize >= int32_t(sizeof(decoder::MpegInfo))) {
            decoder::MpegInfo mpeg;
            std::memcpy(&mpeg, block, sizeof mpeg);
            parseMpeg(mpeg, value != 0 ? value : mpeg.layer, info);
        }
        break;
    // Windows Media modules describe their streams as the wave module does,
    // and may add the album after that layout.
    case InfoParser::Wave:
    case InfoParser::WindowsMedia:
        if (blockSize >= int32_t(sizeof(decoder::WaveInfo))) {
            decoder::WaveInfo wave;
            std::memcpy(&wave, block, sizeof wave);
            parseWave(wave, info);
        }
        if (parser_ == InfoParser::WindowsMedia && blockSize >= int32_t(sizeof(decoder::MediaInfo))) {
            decoder::MediaInfo media;
            std::memcpy(&media, block, sizeof media);
            copyField(info.album, media.album, sizeof media.album);
        }
        break;
    case InfoParser::None:
        break;
    }
}

} // namespace plevnt
