// The 42 functions of a decoder module, shared by our modules: each module
// supplies its library's Source and its identity (Source.h).

#include <cstring>
#include <mutex>
#include <set>
#include <type_traits>

#include "decoders/core/DecodingStream.h"

using decoder::Bool;
using decoder::StreamHandle;
using decoders::DecodingStream;

namespace {

// Every handle ESInitModule gave out and ESDeInitModule has not taken back,
// so a stale or foreign handle is refused instead of followed. Guarded by
// handlesMutex (the host's two players call from their own threads).
std::mutex handlesMutex;
std::set<DecodingStream*>& liveHandles()
{
    static std::set<DecodingStream*> handles;
    return handles;
}

DecodingStream* streamOf(StreamHandle handle)
{
    auto* stream = reinterpret_cast<DecodingStream*>(handle);
    std::lock_guard lock(handlesMutex);
    return liveHandles().contains(stream) ? stream : nullptr;
}

template <typename Call> Bool withStream(StreamHandle handle, Call call)
{
    DecodingStream* stream = streamOf(handle);
    return stream != nullptr && call(*stream) ? 1 : 0;
}

Bool copyText(const char* text, char* buffer, int32_t* size)
{
    if (buffer == nullptr || size == nullptr)
        return 0;
    const auto needed = int32_t(std::strlen(text) + 1);
    if (*size < needed)
        return 0;
    std::memcpy(buffer, text, size_t(needed));
    return 1;
}

} // namespace

#define DECODER_EXPORT extern "C" __attribute__((visibility("default")))

DECODER_EXPORT Bool ESGetName(char* buffer, int32_t* size)
{
    return copyText(decoders::kModuleIdentity.name, buffer, size);
}

DECODER_EXPORT Bool ESGetAbout(char* buffer, int32_t* size)
{
    return copyText(decoders::kModuleIdentity.about, buffer, size);
}

DECODER_EXPORT Bool ESGetExts(char* buffer, int32_t* size)
{
    return copyText(decoders::kModuleIdentity.extensions, buffer, size);
}

DECODER_EXPORT int32_t ESGetVersion()
{
    return decoders::kModuleIdentity.version;
}

DECODER_EXPORT int32_t ESGetLastError(StreamHandle handle)
{
    DecodingStream* stream = streamOf(handle);
    return stream != nullptr ? stream->lastError() : int32_t(decoders::StreamError::Unsupported);
}

DECODER_EXPORT StreamHandle ESInitModule()
{
    auto* stream = new (std::nothrow) DecodingStream;
    if (stream == nullptr)
        return 0;
    std::lock_guard lock(handlesMutex);
    liveHandles().insert(stream);
    return reinterpret_cast<StreamHandle>(stream);
}

DECODER_EXPORT Bool ESDeInitModule(StreamHandle handle)
{
    DecodingStream* stream = streamOf(handle);
    if (stream == nullptr)
        return 0;
    {
        std::lock_guard lock(handlesMutex);
        liveHandles().erase(stream);
    }
    delete stream;
    return 1;
}

DECODER_EXPORT Bool ESSetInputMode(StreamHandle handle, int32_t mode)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.setInputMode(mode); });
}

// Only files named with ESSetInputName are read; no input callback.
DECODER_EXPORT Bool ESSetInCB(StreamHandle, void*, void*)
{
    return 0;
}

DECODER_EXPORT Bool ESSetBuffers(StreamHandle handle, int32_t count, int32_t blockBytes)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.setBuffers(count, blockBytes); });
}

DECODER_EXPORT Bool ESInitStream(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.initStream(); });
}

// The decoding thread keeps the default priority; the request is taken.
DECODER_EXPORT Bool ESSetPriority(StreamHandle handle, int32_t)
{
    return withStream(handle, [](DecodingStream&) { return true; });
}

DECODER_EXPORT Bool ESSetInputName(StreamHandle handle, const char* path)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.setInputName(path); });
}

DECODER_EXPORT Bool ESGetInfo1(StreamHandle handle, void* buffer, int32_t* size)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.information(buffer, size); });
}

DECODER_EXPORT Bool ESGetInfo2(StreamHandle handle, int32_t* value)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.informationValue(value); });
}

DECODER_EXPORT Bool ESOpen(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.open(); });
}

DECODER_EXPORT Bool ESClose(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.close(); });
}

DECODER_EXPORT Bool ESPlay(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.play(); });
}

DECODER_EXPORT Bool ESStop(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.stop(); });
}

DECODER_EXPORT Bool ESPause(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.pause(); });
}

DECODER_EXPORT Bool ESResume(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.resume(); });
}

DECODER_EXPORT uint32_t ESGetPos(StreamHandle handle)
{
    DecodingStream* stream = streamOf(handle);
    return stream != nullptr ? stream->positionMs() : 0;
}

DECODER_EXPORT uint32_t ESGetSize(StreamHandle handle)
{
    DecodingStream* stream = streamOf(handle);
    return stream != nullptr ? stream->sizeMs() : decoder::kUnknownSize;
}

DECODER_EXPORT Bool ESSetPos(StreamHandle handle, uint32_t position)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.setPosition(position); });
}

DECODER_EXPORT int32_t ESGetPlayerMode(StreamHandle handle)
{
    DecodingStream* stream = streamOf(handle);
    return stream != nullptr ? stream->playerMode() : decoder::kModeStopped;
}

DECODER_EXPORT Bool ESSetLimits(StreamHandle handle, uint32_t from, uint32_t to)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.setLimits(from, to); });
}

DECODER_EXPORT Bool ESSetOutputMode(StreamHandle handle, int32_t mode)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.setOutputMode(mode); });
}

DECODER_EXPORT Bool ESSetOutCB(StreamHandle handle, decoder::OutputCallback output, decoder::EventCallback event,
                               void* context)
{
    return withStream(handle,
                      [&](DecodingStream& stream) { return stream.setOutputCallbacks(output, event, context); });
}

// Our modules play through the host's output callback only: no sound card,
// no output file, no volume and no equaliser of their own.
DECODER_EXPORT Bool ESSetOutputDev(StreamHandle, int32_t)
{
    return 0;
}

DECODER_EXPORT Bool ESSetOutputName(StreamHandle, const char*)
{
    return 0;
}

DECODER_EXPORT Bool ESCanSetVolume(StreamHandle)
{
    return 0;
}

DECODER_EXPORT Bool ESSetVolume(StreamHandle, int32_t, int32_t)
{
    return 0;
}

DECODER_EXPORT Bool ESGetVolume(StreamHandle, int32_t*, int32_t*)
{
    return 0;
}

DECODER_EXPORT Bool ESSetDevNum(StreamHandle, int32_t)
{
    return 0;
}

// No window of ours needs one; the request is taken.
DECODER_EXPORT Bool ESSetWindow(StreamHandle handle, intptr_t)
{
    return withStream(handle, [](DecodingStream&) { return true; });
}

DECODER_EXPORT Bool ESCanPause(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream&) { return true; });
}

DECODER_EXPORT Bool ESCanSetPos(StreamHandle handle)
{
    return withStream(handle, [](DecodingStream& stream) { return stream.canSeek(); });
}

DECODER_EXPORT Bool ESSetExtras(StreamHandle, int32_t, intptr_t)
{
    return 0;
}

DECODER_EXPORT Bool ESUseOutCB(StreamHandle handle, Bool use)
{
    return withStream(handle, [&](DecodingStream& stream) { return stream.useOutputCallback(use != 0); });
}

DECODER_EXPORT Bool ESHasEQ(StreamHandle)
{
    return 0;
}

DECODER_EXPORT Bool ESEQ(StreamHandle, const int32_t*, int32_t)
{
    return 0;
}

DECODER_EXPORT Bool ESUseEQ(StreamHandle, Bool)
{
    return 0;
}

// The host binds these by name to the contract's types: keep them identical.
#define SAME_AS_CONTRACT(name) static_assert(std::is_same_v<decltype(&name), decoder::name##Fn>)
SAME_AS_CONTRACT(ESGetName);
SAME_AS_CONTRACT(ESGetAbout);
SAME_AS_CONTRACT(ESGetExts);
SAME_AS_CONTRACT(ESGetVersion);
SAME_AS_CONTRACT(ESGetLastError);
SAME_AS_CONTRACT(ESInitModule);
SAME_AS_CONTRACT(ESDeInitModule);
SAME_AS_CONTRACT(ESSetInputMode);
SAME_AS_CONTRACT(ESSetInCB);
SAME_AS_CONTRACT(ESSetBuffers);
SAME_AS_CONTRACT(ESInitStream);
SAME_AS_CONTRACT(ESSetPriority);
SAME_AS_CONTRACT(ESSetInputName);
SAME_AS_CONTRACT(ESGetInfo1);
SAME_AS_CONTRACT(ESGetInfo2);
SAME_AS_CONTRACT(ESOpen);
SAME_AS_CONTRACT(ESClose);
SAME_AS_CONTRACT(ESPlay);
SAME_AS_CONTRACT(ESStop);
SAME_AS_CONTRACT(ESPause);
SAME_AS_CONTRACT(ESResume);
SAME_AS_CONTRACT(ESGetPos);
SAME_AS_CONTRACT(ESGetSize);
SAME_AS_CONTRACT(ESSetPos);
SAME_AS_CONTRACT(ESGetPlayerMode);
SAME_AS_CONTRACT(ESSetLimits);
SAME_AS_CONTRACT(ESSetOutputMode);
SAME_AS_CONTRACT(ESSetOutCB);
SAME_AS_CONTRACT(ESSetOutputDev);
SAME_AS_CONTRACT(ESSetOutputName);
SAME_AS_CONTRACT(ESCanSetVolume);
SAME_AS_CONTRACT(ESSetVolume);
SAME_AS_CONTRACT(ESGetVolume);
SAME_AS_CONTRACT(ESSetDevNum);
SAME_AS_CONTRACT(ESSetWindow);
SAME_AS_CONTRACT(ESCanPause);
SAME_AS_CONTRACT(ESCanSetPos);
SAME_AS_CONTRACT(ESSetExtras);
SAME_AS_CONTRACT(ESUseOutCB);
SAME_AS_CONTRACT(ESHasEQ);
SAME_AS_CONTRACT(ESEQ);
SAME_AS_CONTRACT(ESUseEQ);
