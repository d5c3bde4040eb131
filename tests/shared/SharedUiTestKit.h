#pragma once

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"

// What the shared services library's window tests share: the headless
// backend, and a modal hook that runs a test's steps from inside a modal
// loop, each time that loop's queue has run empty.
namespace velmora::test {

inline const bool kSharedTestsHeadless = [] {
    setenv("VELMORA_UI", "headless", 1);
    return true;
}();

// Installs itself as the process's modal hook for one scope. The step
// function gets the modal window and the number of the call (from 0).
class ModalSteps {
public:
    using Step = std::function<void(plat::ui::WindowHandle modal, int call)>;
    explicit ModalSteps(Step step) : step_(std::move(step))
    {
        plat::ui::setModalHook(&ModalSteps::hook, this);
    }
    ModalSteps(const ModalSteps&) = delete;
    ModalSteps& operator=(const ModalSteps&) = delete;
    ~ModalSteps() { plat::ui::setModalHook(nullptr, nullptr); }

private:
    static void hook(plat::ui::WindowHandle modal, int, void* context)
    {
        auto* self = static_cast<ModalSteps*>(context);
        self->step_(modal, self->calls_++);
    }
    Step step_;
    int calls_ = 0; // the modal loop's thread only
};

// The open dialogs (class "#32770") whose caption starts with prefix.
inline std::vector<plat::ui::WindowHandle> dialogsTitled(const std::string& prefix)
{
    std::vector<plat::ui::WindowHandle> found;
    for (const plat::ui::WindowListEntry& entry : plat::ui::topLevelWindows()) {
        if (plat::ui::windowClassName(entry.window) == plat::ui::kDialogClass &&
            entry.title.compare(0, prefix.size(), prefix) == 0)
            found.push_back(entry.window);
    }
    return found;
}

} // namespace velmora::test
