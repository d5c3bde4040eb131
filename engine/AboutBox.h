#pragma once

#include <string>

#include "engine/EngineShell.h"
#include "zkr/Dialog.h"

namespace engine {

// The text of the freeware notice, with the maker's e-mail address.
std::string freewareText();

// Dialog 119: the freeware notice shown when the About box closes.
class FreewareNotice : public zkr::Dialog {
public:
    static constexpr int kIdText = 1000;

    explicit FreewareNotice(plat::ui::WindowHandle owner);
    void onInitDialog() override;
};

// Dialog 105: the About box with the product picture and the maker's web
// address as a button that opens it.
class AboutBox : public zkr::Dialog {
public:
    static constexpr int kIdTitle = 1001;
    // The picture's control in dialog units; the artwork tool draws bitmap
    // 107 to fill it.
    static constexpr int kPictureWidth = 186;
    static constexpr int kPictureHeight = 84;

    AboutBox(EngineShell& shell, plat::ui::WindowHandle owner);
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;
    bool onClose() override;

    EngineShell& shell;
    int noticesShown = 0;
};

} // namespace engine
