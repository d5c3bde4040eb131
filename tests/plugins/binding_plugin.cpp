// A plug-in built several times with different definitions, one library per
// way a real plug-in can be right or wrong:
//   PLUGIN_KIND            kind reported and whose exports are present
//   PLUGIN_VERSION         interface version reported (default 0x101)
//   PLUGIN_FLAGS           PluginInfo flags (default 0)
//   PLUGIN_SHORT_NAME      short name text
//   OMIT_SUPPORT_NUM_CHANNELS, OMIT_READ_STREAM_CHANNEL, OMIT_EXEC_COMMAND,
//   OMIT_SETUP_FX (onSetupFX and onCleanupFX), OMIT_RESET_FX: leave that export out
//   BRIMFUL_INFO           fill every text field of PluginInfo without a terminator
// Every call is written to a journal that the test reads through testJournal;
// testSetAnswer chooses what the BOOL functions return.

#define VELMORA_PLUGIN
#include "api/PluginApi.h"

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#ifndef PLUGIN_KIND
#error "PLUGIN_KIND must be defined"
#endif
#ifndef PLUGIN_VERSION
#define PLUGIN_VERSION 0x101
#endif
#ifndef PLUGIN_FLAGS
#define PLUGIN_FLAGS 0
#endif
#ifndef PLUGIN_SHORT_NAME
#define PLUGIN_SHORT_NAME "Binder"
#endif

namespace {

char journal[8192];
std::size_t journalLength = 0;
int32_t answer = 1;
engine::PluginHandle ownHandle = 0;
engine::EventCallback eventCallback = nullptr;
engine::InternalCallback internalCallback = nullptr;

__attribute__((format(printf, 1, 2))) void note(const char* format, ...)
{
    if (journalLength >= sizeof journal - 1)
        return;
    va_list arguments;
    va_start(arguments, format);
    int written = std::vsnprintf(journal + journalLength, sizeof journal - journalLength, format, arguments);
    va_end(arguments);
    if (written > 0)
        journalLength = std::strlen(journal);
    if (journalLength < sizeof journal - 1) {
        journal[journalLength++] = ';';
        journal[journalLength] = '\0';
    }
}

} // namespace

// ---- what the tests use to look inside

VELMORA_PLUGIN_EXPORT const char* testJournal()
{
    return journal;
}

VELMORA_PLUGIN_EXPORT void testClearJournal()
{
    journalLength = 0;
    journal[0] = '\0';
}

VELMORA_PLUGIN_EXPORT void testSetAnswer(int32_t value)
{
    answer = value;
}

VELMORA_PLUGIN_EXPORT engine::PluginHandle testHandle()
{
    return ownHandle;
}

// -1 when the engine gave no callback.
VELMORA_PLUGIN_EXPORT int32_t testPostEvent(engine::EngineEvent* event)
{
    return eventCallback != nullptr ? eventCallback(event) : -1;
}

VELMORA_PLUGIN_EXPORT int32_t testRequest(engine::EngineRequest* request, int32_t code)
{
    return internalCallback != nullptr ? internalCallback(request, code) : -1;
}

// ---- common exports

VELMORA_PLUGIN_EXPORT void setPluginHandle(engine::PluginHandle handle)
{
    ownHandle = handle;
    note("setPluginHandle");
}

VELMORA_PLUGIN_EXPORT int32_t getInterfaceVersion()
{
    note("getInterfaceVersion");
    return PLUGIN_VERSION;
}

VELMORA_PLUGIN_EXPORT int32_t getPluginKind()
{
    note("getPluginKind");
    return PLUGIN_KIND;
}

VELMORA_PLUGIN_EXPORT void getPluginInfo(engine::PluginInfo* info)
{
    note("getPluginInfo");
#ifdef BRIMFUL_INFO
    std::memset(info, 'x', sizeof *info);
    info->flags = PLUGIN_FLAGS;
#else
    std::snprintf(info->title, sizeof info->title, "Velmora Binding Test %s", PLUGIN_SHORT_NAME);
    std::snprintf(info->shortName, sizeof info->shortName, "%s", PLUGIN_SHORT_NAME);
    std::snprintf(info->media, sizeof info->media, "%s", "nothing at all");
    std::snprintf(info->copyright, sizeof info->copyright, "%s", "(c) the Velmora test suite");
    std::snprintf(info->version, sizeof info->version, "%s", "v0.1b 01/2000");
    std::snprintf(info->webAddress, sizeof info->webAddress, "%s", "http://localhost/");
    info->flags = PLUGIN_FLAGS;
#endif
}

#ifndef OMIT_SUPPORT_NUM_CHANNELS
VELMORA_PLUGIN_EXPORT int32_t supportNumChannels()
{
    note("supportNumChannels");
    return 4;
}
#endif

VELMORA_PLUGIN_EXPORT void setEventCallback(engine::EventCallback callback)
{
    eventCallback = callback;
    note("setEventCallback(%s)", callback != nullptr ? "set" : "null");
}

VELMORA_PLUGIN_EXPORT void setInternalCallback(engine::InternalCallback callback)
{
    internalCallback = callback;
    note("setInternalCallback(%s)", callback != nullptr ? "set" : "null");
}

VELMORA_PLUGIN_EXPORT int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand)
{
    note("createUserInterface(%ld,%d)", static_cast<long>(instance), showCommand);
    return answer;
}

VELMORA_PLUGIN_EXPORT void destroyUserInterface()
{
    note("destroyUserInterface");
}

VELMORA_PLUGIN_EXPORT void onPluginSwitch(int32_t show)
{
    note("onPluginSwitch(%d)", show);
}

#ifndef OMIT_EXEC_COMMAND
// Set to 1 by the test: the next command sets 2 and waits until it is 0.
std::atomic<int32_t> commandHold{0};

VELMORA_PLUGIN_EXPORT std::atomic<int32_t>* testCommandHold()
{
    return &commandHold;
}

VELMORA_PLUGIN_EXPORT int32_t execCommandString(int32_t outputLoaded, const char* text)
{
    note("execCommandString(%d,%s)", outputLoaded, text != nullptr ? text : "null");
    if (int32_t held = 1; commandHold.compare_exchange_strong(held, 2)) {
        while (commandHold.load() != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        note("released");
    }
    return answer;
}
#endif

// ---- inputs, outputs and effects

#if PLUGIN_KIND != 5
VELMORA_PLUGIN_EXPORT int32_t setupAudioSystem(const engine::AudioSystemSetup* setup)
{
    note("setupAudioSystem(%d,%d,%d,%d,%d,%d)", setup->formatCode, setup->musicBufSize, setup->numOutBufs,
         setup->diskBufSize, setup->streamPriority, setup->reserved);
    return answer;
}
#endif

// ---- inputs

#if PLUGIN_KIND == 1
#ifndef OMIT_READ_STREAM_CHANNEL
static int16_t streamBlock[4] = {1, -2, 3, -4};

VELMORA_PLUGIN_EXPORT int32_t readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes)
{
    note("readStreamChannel(%d)", stream);
    *block = streamBlock;
    *bytes = sizeof streamBlock;
    return answer;
}
#endif

VELMORA_PLUGIN_EXPORT void onStreamingError(int32_t first, int32_t second)
{
    note("onStreamingError(%d,%d)", first, second);
}
#endif

// ---- outputs

#if PLUGIN_KIND == 3
VELMORA_PLUGIN_EXPORT int32_t startStreaming(int32_t reserved)
{
    note("startStreaming(%d)", reserved);
    return answer;
}

VELMORA_PLUGIN_EXPORT int32_t stopStreaming()
{
    note("stopStreaming");
    return answer;
}

VELMORA_PLUGIN_EXPORT int32_t streamStereoBuffer(int32_t empty, const int16_t* block, int32_t bytes)
{
    note("streamStereoBuffer(%d,%d,%d)", empty, bytes, bytes >= 2 ? block[0] : 0);
    return answer;
}

VELMORA_PLUGIN_EXPORT int32_t waitForOutputDone()
{
    note("waitForOutputDone");
    return answer;
}
#endif

// ---- effects

#if PLUGIN_KIND == 2
#ifndef OMIT_SETUP_FX
VELMORA_PLUGIN_EXPORT int32_t onSetupFX()
{
    note("onSetupFX");
    return answer;
}

VELMORA_PLUGIN_EXPORT int32_t onCleanupFX()
{
    note("onCleanupFX");
    return answer;
}
#endif

VELMORA_PLUGIN_EXPORT int32_t onFXParamChange(int32_t channel, int32_t value)
{
    note("onFXParamChange(%d,%d)", channel, value);
    return 0;
}

// Negates the block, so a test sees that it ran in place.
VELMORA_PLUGIN_EXPORT int32_t processChannelBuffer(int32_t channel, int16_t* samples, int32_t bytes)
{
    note("processChannelBuffer(%d,%d)", channel, bytes);
    for (int32_t i = 0; i < bytes / 2; ++i)
        samples[i] = static_cast<int16_t>(-samples[i]);
    return 0;
}

#ifndef OMIT_RESET_FX
VELMORA_PLUGIN_EXPORT int32_t resetFXChannel(int32_t channel)
{
    note("resetFXChannel(%d)", channel);
    return 0;
}
#endif
#endif

// ---- user interfaces

#if PLUGIN_KIND == 5
VELMORA_PLUGIN_EXPORT int32_t updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    note("updateChannelValue(%d,%d,%ld)", channel, code, static_cast<long>(value));
    return 0;
}

VELMORA_PLUGIN_EXPORT int32_t updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    note("updateGeneralValue(%d,%d,%ld)", index, code, static_cast<long>(value));
    return 0;
}
#endif
