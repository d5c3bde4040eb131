#pragma once

// A user's gestures on the headless backend, from a thread of the test while
// the windows run on their own: clicks, drags, and clicks that open something
// modal (a pop-up menu, a dialog, a message box) answered from inside its
// loop. Each leaves the mouse at rest where the caller says no control is, so
// that no button keeps a hot frame.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Menu.h"
#include "platform/ui/headless/Headless.h"
#include "support/Eventually.h"
#include "zkr/Box.h"

namespace velmora::test {

inline plat::ui::Point centreOf(const zkr::Box& box)
{
    return {box.x + box.width / 2, box.y + box.height / 2};
}

inline void clickAt(plat::ui::WindowHandle window, plat::ui::Point at, plat::ui::Point rest)
{
    plat::ui::headless::mouseMove(window, at.x, at.y);
    plat::ui::headless::click(window, at.x, at.y);
    plat::ui::headless::mouseMove(window, rest.x, rest.y);
}

// Presses at a point, moves once by dx, dy with the button held and lets go
// there. On a skinned window's background this moves the window.
inline void dragBy(plat::ui::WindowHandle window, plat::ui::Point from, int dx, int dy, plat::ui::Point rest)
{
    using namespace plat::ui::headless;
    mouseMove(window, from.x, from.y);
    mouseDown(window, from.x, from.y);
    mouseMove(window, from.x + dx, from.y + dy, plat::ui::kKeyLButton);
    mouseUp(window, from.x + dx, from.y + dy);
    mouseMove(window, rest.x, rest.y);
}

// A click that opens something modal, and the step that answers it inside
// its loop; returns once the step ran and the modal window is gone, so later
// input reaches the windows again.
inline bool clickAnswering(ModalScript& modal, plat::ui::WindowHandle window, plat::ui::Point at,
                           plat::ui::Point rest, ModalScript::Step step)
{
    struct Answered {
        std::atomic<plat::ui::WindowHandle> window{nullptr};
        std::string windowClass;
    };
    auto answered = std::make_shared<Answered>();
    modal.then([answered, step = std::move(step)](plat::ui::WindowHandle modalWindow, int depth) {
        answered->windowClass = plat::ui::windowClassName(modalWindow);
        step(modalWindow, depth);
        answered->window = modalWindow;
    });
    clickAt(window, at, rest);
    // A handle may come back at once for the next window made (a plug-in's
    // window after its menu): a handle of another class is gone as well.
    return eventually([&] {
        const plat::ui::WindowHandle shown = answered->window;
        return shown != nullptr &&
               (!plat::ui::isWindow(shown) || plat::ui::windowClassName(shown) != answered->windowClass);
    });
}

// Picks the item of an open pop-up menu: its position, or -1 for none.
using MenuPick = std::function<int(plat::ui::MenuHandle)>;

inline MenuPick itemAt(int position)
{
    return [position](plat::ui::MenuHandle) { return position; };
}
// The first item whose text begins with text.
inline MenuPick itemNamed(std::string text)
{
    return [text = std::move(text)](plat::ui::MenuHandle menu) {
        for (int position = 0; position < plat::ui::menuItemCount(menu); ++position)
            if (plat::ui::menuString(menu, static_cast<uint32_t>(position), plat::ui::kMenuByPosition)
                    .starts_with(text))
                return position;
        return -1;
    };
}

// A click that opens a pop-up menu, and the user's choice in it; a pick that
// finds nothing dismisses the menu and fails.
inline bool chooseFromMenu(ModalScript& modal, plat::ui::WindowHandle window, plat::ui::Point at,
                           plat::ui::Point rest, MenuPick pick)
{
    auto picked = std::make_shared<std::atomic<bool>>(false);
    const bool closed =
        clickAnswering(modal, window, at, rest, [pick, picked](plat::ui::WindowHandle menu, int) {
            const int position = pick(plat::ui::menuOfWindow(menu));
            *picked = position >= 0 && clickMenuItem(menu, position);
            if (!*picked)
                (void)plat::ui::endMenu();
        });
    return closed && *picked;
}

} // namespace velmora::test
