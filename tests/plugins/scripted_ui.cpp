// A user interface plug-in driven by a script, for tests of the whole program.
//
// createUserInterface opens a top-level window titled "Velmora Audio Engine"
// on a thread of its own, as the real user interface does, and runs the
// script named by VELMORA_TEST_UI_SCRIPT on that thread, one command a line:
//   request <code> [field0 .. field6]   internal request; "win" is this window,
//                                       "self" this plug-in's handle; field 1
//                                       (owner) defaults to the window
//   event <code> <wait> [value target spare partner index]
//   sleep <ms>                          keeps handling messages meanwhile
//   waitfor <text>                      until the log holds the text (10 s)
//   testoutput <file> <start> <setup> <failAt> <holdAt> <heldResult>
//                                       scripts the recording test output
//                                       loaded from Plugins/<file>
//   quit                                the quit event with wait, retried while refused
// Without a script it quits at once; a script always ends with a quit.
//
// Codes are given and logged by name (Restore, StartStreaming); a number
// stands for one that names nothing. Every value update, every request and
// event result and every copy-data text the window receives goes to the file
// named by VELMORA_TEST_UI_LOG, one line each, flushed at once.

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "platform/core/Module.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "plugins/CoreTestPlugins.h"
#include "plugins/skeleton/PluginExports.h"

namespace {

namespace ui = plat::ui;

constexpr char kWindowClass[] = "VelmoraScriptedUi";
constexpr char kWindowTitle[] = "Velmora Audio Engine";
constexpr auto kWaitForLimit = std::chrono::seconds(10);
constexpr int kQuitAttempts = 500; // 20 ms apart
// Every code of the protocol lies in this range.
constexpr int32_t kLowestCode = -8;
constexpr int32_t kHighestCode = 255;

// A code's name, or its number when it names nothing.
template <typename Code> std::string codeText(intptr_t wire)
{
    const std::optional<Code> code = engine::fromWire<Code>(wire);
    return code ? std::string(toString(*code)) : std::to_string(wire);
}

// A script word read as a code's name or, failing that, as a number.
template <typename Code> intptr_t codeOf(const std::string& word)
{
    for (int32_t wire = kLowestCode; wire <= kHighestCode; ++wire)
        if (const std::optional<Code> code = engine::fromWire<Code>(wire); code && toString(*code) == word)
            return wire;
    return std::strtoll(word.c_str(), nullptr, 0);
}

// Only the script thread touches it.
bool quitAccepted = false;

// Set by the engine before createUserInterface; read on the script thread.
engine::PluginHandle ownHandle = 0;
engine::EventCallback eventCallback = nullptr;
engine::InternalCallback internalCallback = nullptr;

// The engine's main and streaming threads and the script thread all write:
// every member below is guarded by logMutex.
std::mutex logMutex;
std::FILE* logFile = nullptr;
bool logOpened = false;
std::string logText; // what was written, for waitfor

void logLine(const std::string& line)
{
    std::lock_guard lock(logMutex);
    if (!logOpened) {
        logOpened = true;
        if (const char* path = std::getenv("VELMORA_TEST_UI_LOG"))
            logFile = std::fopen(path, "w");
    }
    logText += line;
    logText += '\n';
    if (logFile != nullptr) {
        std::fprintf(logFile, "%s\n", line.c_str());
        std::fflush(logFile);
    }
}

bool logContains(const std::string& text)
{
    std::lock_guard lock(logMutex);
    return logText.find(text) != std::string::npos;
}

std::string textOf(intptr_t pointer)
{
    const char* text = reinterpret_cast<const char*>(pointer);
    return text != nullptr ? text : "(null)";
}

// The window and the handshake of createUserInterface; guarded by startMutex.
std::mutex startMutex;
std::condition_variable started;
bool startDone = false;
ui::WindowHandle window = nullptr;

// Runs the window's messages for up to ms milliseconds.
void pumpFor(uint32_t ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        ui::Message message;
        while (ui::peekMessage(message, nullptr, 0, 0, ui::kPeekRemove))
            ui::dispatchMessage(message);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        (void)ui::msgWaitForMultipleObjects(0, nullptr, false, static_cast<uint32_t>(left.count()),
                                            ui::kQsAllInput);
    }
}

int32_t makeRequest(engine::EngineRequest& request, int32_t code)
{
    if (internalCallback == nullptr)
        return -1;
    return internalCallback(&request, code);
}

int32_t postEvent(engine::EngineEvent& event)
{
    if (eventCallback == nullptr)
        return -1;
    return eventCallback(&event);
}

intptr_t windowProcedure(ui::WindowHandle handle, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (message == ui::kMsgCopyData && lparam != 0) {
        const auto* data = reinterpret_cast<const ui::CopyData*>(lparam);
        std::string text(static_cast<const char*>(data->bytes), data->bytes != nullptr ? data->size : 0);
        text = text.c_str(); // up to the terminator
        logLine("copydata " + text);
        engine::EngineRequest request{};
        request.owner = reinterpret_cast<intptr_t>(handle);
        request.data = lparam;
        logLine("request CommandString -> " +
                std::to_string(makeRequest(request, toWire(engine::Request::CommandString))));
        return 1;
    }
    return ui::defWindowProc(handle, message, wparam, lparam);
}

void quitEngine()
{
    for (int attempt = 0; attempt < kQuitAttempts; ++attempt) {
        engine::EngineEvent event{toWire(engine::Event::Quit), 1, 0, 0, 0, 0, 0};
        const int32_t result = postEvent(event);
        logLine("quit -> " + std::to_string(result));
        if (result != 0)
            return;
        pumpFor(20);
    }
}

std::string pluginsFolder()
{
    return plat::programFolder() + "/Plugins/";
}

// The test output's script, reached through the engine's own load of the file.
void scriptTestOutput(std::istringstream& words)
{
    std::string file;
    coretest::OutputScript script;
    words >> file >> script.startResult >> script.setupResult >> script.failAt >> script.holdAt >>
        script.heldResult;
    void* library = dlopen((pluginsFolder() + file).c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto* setScript =
        library != nullptr
            ? reinterpret_cast<coretest::OutputScriptFn>(dlsym(library, coretest::kOutputScript))
            : nullptr;
    if (setScript == nullptr) {
        logLine("testoutput " + file + " not loaded");
    } else {
        setScript(&script);
        logLine("testoutput " + file + " scripted");
    }
    if (library != nullptr)
        dlclose(library);
}

// One script line; false when the script is over.
bool runCommand(const std::string& line)
{
    std::istringstream words(line);
    std::string command;
    if (!(words >> command) || command[0] == '#')
        return true;
    if (command == "request") {
        std::string name;
        words >> name;
        const auto code = static_cast<int32_t>(codeOf<engine::Request>(name));
        intptr_t fields[7] = {0, reinterpret_cast<intptr_t>(window), 0, 0, 0, 0, 0};
        std::string word;
        for (int i = 0; i < 7 && words >> word; ++i)
            fields[i] = word == "win"    ? reinterpret_cast<intptr_t>(window)
                        : word == "self" ? ownHandle
                                         : std::strtoll(word.c_str(), nullptr, 0);
        engine::EngineRequest request{fields[0], fields[1], fields[2], fields[3],
                                      fields[4], fields[5], fields[6]};
        const intptr_t before = request.data;
        const int32_t result = makeRequest(request, code);
        std::string entry = "request " + codeText<engine::Request>(code) + " -> " + std::to_string(result);
        if (request.data != before)
            entry += " data " + textOf(request.data);
        logLine(entry);
    } else if (command == "event") {
        intptr_t fields[7] = {};
        std::string name;
        if (words >> name)
            fields[0] = codeOf<engine::Event>(name);
        for (int i = 1; i < 7; ++i)
            if (!(words >> fields[i]))
                break;
        engine::EngineEvent event{fields[0], fields[1], fields[2], fields[3],
                                  fields[4], fields[5], fields[6]};
        const int32_t result = postEvent(event);
        logLine("event " + codeText<engine::Event>(fields[0]) + " -> " + std::to_string(result));
        // An accepted quit ends the engine: nothing may follow it.
        if (fields[0] == toWire(engine::Event::Quit) && (fields[1] & 0xFF) != 0 && result != 0) {
            quitAccepted = true;
            return false;
        }
    } else if (command == "sleep") {
        uint32_t ms = 0;
        words >> ms;
        pumpFor(ms);
    } else if (command == "waitfor") {
        std::string text;
        std::getline(words >> std::ws, text);
        const auto deadline = std::chrono::steady_clock::now() + kWaitForLimit;
        while (!logContains(text)) {
            if (std::chrono::steady_clock::now() > deadline) {
                logLine("waitfor timed out: " + text);
                return false;
            }
            pumpFor(10);
        }
    } else if (command == "testoutput") {
        scriptTestOutput(words);
    } else if (command == "quit") {
        return false;
    } else {
        logLine("unknown command: " + line);
    }
    return true;
}

void runScript()
{
    if (const char* path = std::getenv("VELMORA_TEST_UI_SCRIPT")) {
        std::ifstream script(path);
        std::string line;
        while (std::getline(script, line)) {
            if (!runCommand(line))
                break;
        }
    }
    if (!quitAccepted)
        quitEngine();
}

void scriptThread(int32_t showCommand)
{
    plat::ModuleInfo self;
    (void)plat::moduleOf(reinterpret_cast<const void*>(&scriptThread), self); // its own code: always found
    ui::WindowClass windowClass;
    windowClass.procedure = windowProcedure;
    windowClass.module = self.handle;
    windowClass.name = kWindowClass;
    (void)ui::registerClass(windowClass);
    ui::WindowHandle created =
        ui::createWindow(0, kWindowClass, kWindowTitle, 0, 0, 0, 200, 100, nullptr, 0, self.handle, nullptr);
    if (created != nullptr)
        ui::showWindow(created, showCommand);
    {
        std::lock_guard lock(startMutex);
        window = created;
        startDone = true;
    }
    started.notify_all();
    if (created == nullptr)
        return;
    logLine("window of " + self.path.substr(self.path.rfind('/') + 1));
    runScript();
    // The engine ends the process after the quit. Staying out of the
    // platform's calls meanwhile keeps this thread clear of its teardown.
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

struct ScriptedUi {
    void startUp() {}
    void shutDown() {}
    static void fillPluginInfo(engine::PluginInfo* info);
    void setPluginHandle(engine::PluginHandle handle);
    void setEventCallback(engine::EventCallback callback);
    void setInternalCallback(engine::InternalCallback callback);
    int32_t createUserInterface(engine::InstanceHandle, int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(int32_t show);
    int32_t updateChannelValue(int32_t channel, int32_t code, intptr_t value);
    int32_t updateGeneralValue(int32_t index, int32_t code, intptr_t value);
};

} // namespace

VELMORA_USER_INTERFACE_PLUGIN(ScriptedUi)

void ScriptedUi::setPluginHandle(engine::PluginHandle handle)
{
    ownHandle = handle;
}

void ScriptedUi::fillPluginInfo(engine::PluginInfo* info)
{
    std::memset(info, 0, sizeof *info);
    std::strcpy(info->title, "Velmora Scripted Test Interface");
    std::strcpy(info->shortName, "Scripted");
    std::strcpy(info->media, "test scripts");
    std::strcpy(info->version, "v1");
}

void ScriptedUi::setEventCallback(engine::EventCallback callback)
{
    eventCallback = callback;
}

void ScriptedUi::setInternalCallback(engine::InternalCallback callback)
{
    internalCallback = callback;
}

int32_t ScriptedUi::createUserInterface(engine::InstanceHandle, int32_t showCommand)
{
    // Detached: the process ends while the script thread still holds its window.
    std::thread(scriptThread, showCommand).detach();
    std::unique_lock lock(startMutex);
    started.wait(lock, [] { return startDone; });
    return window != nullptr ? 1 : 0;
}

void ScriptedUi::destroyUserInterface()
{
    ui::WindowHandle own;
    {
        std::lock_guard lock(startMutex);
        own = window;
    }
    if (own != nullptr)
        (void)ui::destroyWindow(own);
}

void ScriptedUi::onPluginSwitch(int32_t show)
{
    std::lock_guard lock(startMutex);
    if (window != nullptr)
        ui::showWindow(window, show != 0 ? ui::kShow : ui::kShowHide);
}

int32_t ScriptedUi::updateChannelValue(int32_t channel, int32_t code, intptr_t value)
{
    std::string text;
    switch (code) {
    case toWire(engine::Value::ChannelName):
        text = textOf(value);
        break;
    case toWire(engine::Value::EffectName):
    case toWire(engine::Value::EffectEnabled): {
        const auto* pair = reinterpret_cast<const engine::EffectSlotValue*>(value);
        if (pair == nullptr)
            text = "(null)";
        else
            text = std::to_string(pair->slot) + " " +
                   (code == toWire(engine::Value::EffectName) ? textOf(pair->value)
                                                              : std::to_string(pair->value));
        break;
    }
    default:
        text = std::to_string(value);
    }
    logLine("channel " + std::to_string(channel) + " " + codeText<engine::Value>(code) + " " + text);
    return 1;
}

int32_t ScriptedUi::updateGeneralValue(int32_t index, int32_t code, intptr_t value)
{
    const bool isText = code == toWire(engine::Value::InputName) ||
                        code == toWire(engine::Value::OutputName) ||
                        code == toWire(engine::Value::EffectSlotName);
    logLine("general " + std::to_string(index) + " " + codeText<engine::Value>(code) + " " +
            (isText ? textOf(value) : std::to_string(value)));
    return 1;
}
