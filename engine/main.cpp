// The engine program: one running copy per session, start-up, the main loop.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "api/Protocol.h"
#include "engine/Engine.h"
#include "engine/EngineResources.h"
#include "platform/core/Module.h"
#include "platform/core/Notice.h"
#include "platform/core/SingleInstance.h"
#include "platform/ui/Backend.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"

// The record the command string request reads is the one the platform's copy-data message carries.
static_assert(sizeof(engine::CopyData) == sizeof(plat::ui::CopyData));
static_assert(offsetof(engine::CopyData, bytes) == offsetof(plat::ui::CopyData, size));
static_assert(offsetof(engine::CopyData, data) == offsetof(plat::ui::CopyData, bytes));

namespace {

constexpr char kRunsOnce[] = "Velmora Audio Engine just runs once";
// The user interface gives its main window a title with this in it.
constexpr char kMainWindowTitle[] = "Velmora Audio Engine";
// How long the end waits for the user interface to save its settings and close.
constexpr auto kUserInterfaceEndWait = std::chrono::seconds(2);

// The user interface's main window, or null.
plat::ui::WindowHandle mainWindow()
{
    for (const plat::ui::WindowListEntry& entry : plat::ui::topLevelWindows()) {
        if (entry.title.find(kMainWindowTitle) != std::string::npos)
            return entry.window;
    }
    return nullptr;
}

// The user interface saves its settings and closes its windows on its own
// thread after the engine agreed to quit; the process must not end under it.
void waitForUserInterfaceToClose()
{
    const auto deadline = std::chrono::steady_clock::now() + kUserInterfaceEndWait;
    while (mainWindow() != nullptr && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Windows need a desktop: without one the program says so in one line, with
// the way to run it anyway, and ends.
bool desktopAvailable()
{
    if (plat::ui::backend() != nullptr)
        return true;
    std::fprintf(stderr,
                 "Velmora: %s Velmora needs a desktop to show its windows: start it from a desktop "
                 "session with DISPLAY set, or run it without one with VELMORA_UI=headless.\n",
                 plat::ui::lastBackendError().c_str());
    return false;
}

// A desktop hands files over as plain paths ("velmora %F"), while the inputs
// take a command string only as a path in double quotes: the first argument
// naming an existing file becomes the whole command line, its absolute path
// quoted, so that a running engine with another working folder finds it too.
// Any other arguments are joined as given, one with blanks quoted unless it
// already starts with a quote.
std::string joinArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::error_code error;
        if (argument.empty() || argument.front() == '"' || !std::filesystem::is_regular_file(argument, error))
            continue;
        const std::filesystem::path path = std::filesystem::absolute(argument, error);
        if (!error)
            return '"' + path.lexically_normal().string() + '"';
    }
    std::string line;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!line.empty())
            line += ' ';
        if (argument.find(' ') != std::string::npos && argument.front() != '"')
            line += '"' + argument + '"';
        else
            line += argument;
    }
    return line;
}

// On the listener's thread: hands a later start's command line to the main
// window, as the copy-data message, and brings that window forward.
bool deliverCommandLine(const std::string& commandLine)
{
    const plat::ui::WindowHandle target = mainWindow();
    if (target == nullptr)
        return false;
    plat::ui::CopyData data;
    data.size = static_cast<uint32_t>(commandLine.size() + 1);
    data.bytes = commandLine.c_str();
    plat::ui::sendMessage(target, plat::ui::kMsgCopyData, 0, reinterpret_cast<intptr_t>(&data));
    // A second start asks for the window: a minimised one comes back first.
    // Bringing it forward is a courtesy the desktop may refuse.
    if (plat::ui::isIconic(target))
        static_cast<void>(plat::ui::showWindow(target, plat::ui::kShowRestore));
    static_cast<void>(plat::ui::setForegroundWindow(target));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string commandLine = joinArguments(argc, argv);
    // 0 after a normal quit or a hand-over; a start that failed has shown why.
    int exitCode = EXIT_FAILURE;
    {
        plat::SingleInstance single(kRunsOnce);
        const plat::SingleInstance::Role role = single.acquire();
        if (role == plat::SingleInstance::Role::Second) {
            if (!single.handOver(commandLine)) {
                plat::showNotice(kRunsOnce, zkr::kProductTitle, plat::kNoticeFailure);
                return EXIT_FAILURE;
            }
            return EXIT_SUCCESS;
        }
        if (!desktopAvailable())
            return EXIT_FAILURE;
        // Without a lock file, or a listener, no second start can find us;
        // the engine still runs.
        if (role == plat::SingleInstance::Role::First)
            static_cast<void>(single.listen(&deliverCommandLine));

        // The engine lives until the process ends: the user interface's
        // thread keeps running and may call the engine's callbacks until then,
        // so the engine is never destroyed under it.
        auto* core = new engine::Engine;
        core->setInstance(reinterpret_cast<engine::InstanceHandle>(plat::programModule()));
        const int error = core->initialise(commandLine.c_str(), engine::kShowCommandShow);
        if (error == toWire(engine::Error::Ok)) {
            if (core->run() == 1) {
                waitForUserInterfaceToClose();
                exitCode = EXIT_SUCCESS;
            } else
                engine::closeSplash();
        } else if (error == toWire(engine::Error::BadInitialization)) {
            engine::closeSplash();
        }
    }
    // The plug-ins' and the shared library's threads may still run: the
    // process ends at once, as they expect, without tearing down the
    // libraries under them.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
