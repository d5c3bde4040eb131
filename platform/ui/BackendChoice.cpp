// Which backend stands behind the windows: chosen once per process.

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/ui/UiState.h"

namespace plat::ui {

namespace x11 {
// Defined by the X11 backend's files; looked up weakly so a build without them still runs headless.
__attribute__((weak)) std::unique_ptr<Backend> createBackend();
} // namespace x11

namespace {

std::mutex& choiceMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}
bool gChosen = false;                    // guarded by choiceMutex
std::string gError;                      // guarded by choiceMutex
std::atomic<Backend*> gBackend{nullptr}; // set once; never destroyed (threads may outlive exit)

std::unique_ptr<Backend> makeChosenBackend(std::string& error)
{
    const char* wanted = std::getenv("VELMORA_UI");
    if (wanted != nullptr && std::strcmp(wanted, "headless") == 0)
        return makeHeadlessBackend();
    if (wanted == nullptr || wanted[0] == '\0' || std::strcmp(wanted, "x11") == 0) {
        if (&x11::createBackend == nullptr) {
            error = "this build has no X11 backend (VELMORA_UI=headless runs without a display)";
            return nullptr;
        }
        return x11::createBackend();
    }
    error = std::string("VELMORA_UI=") + wanted + " names no backend (headless or x11)";
    return nullptr;
}

} // namespace

Backend* backend()
{
    std::lock_guard lock(choiceMutex());
    if (!gChosen) {
        gChosen = true;
        std::unique_ptr<Backend> made;
        try {
            made = makeChosenBackend(gError);
        } catch (const std::exception& failure) {
            gError = failure.what();
            made.reset();
        }
        if (made && !made->open(gError))
            made.reset();
        else if (!made && gError.empty())
            gError = "the user-interface backend could not be made";
        if (made)
            gError.clear();
        gBackend.store(made.release());
    }
    return gBackend.load();
}

Backend* openedBackend()
{
    return gBackend.load();
}

bool installBackend(std::unique_ptr<Backend> backend)
{
    std::lock_guard lock(choiceMutex());
    if (gChosen || !backend)
        return false;
    std::string error;
    if (!backend->open(error)) {
        gError = error;
        return false;
    }
    gChosen = true;
    gBackend.store(backend.release());
    return true;
}

const char* backendName()
{
    Backend* chosen = gBackend.load();
    return chosen != nullptr ? chosen->name() : "";
}

std::string lastBackendError()
{
    std::lock_guard lock(choiceMutex());
    return gError;
}

} // namespace plat::ui
