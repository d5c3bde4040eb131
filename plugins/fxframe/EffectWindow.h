#pragma once

#include <cstdint>
#include <memory>

#include "api/PluginApi.h"
#include "zkr/Control.h"
#include "zkr/PluginWindow.h"
#include "zkr/SkinImages.h"
#include "zkr/Text.h"

namespace fxframe {

// The module's icon and cursor, shared by every effect.
inline constexpr unsigned kIconId = 101;
inline constexpr unsigned kCursorId = 102;

// An effect's parameter window: a skinned window of the framework whose
// controls report every change with one notification that the window
// dispatches on the control's id. The object lives from the library's load to
// its unload; its platform window exists between createUserInterface and
// destroyUserInterface, on the thread that asked for it, and only the engine
// closes it (the user's close leaves it open; the engine hides it).
class EffectWindow : public zkr::PluginWindow {
public:
    // What a control sends its window: wparam kControlNotification, lparam the control.
    static constexpr uint32_t kControlMessage = 0x8200;
    static constexpr uintptr_t kControlNotification = 512;

    // The window class, caption, background and 1-bit mask of an effect.
    struct Look {
        const char* className;
        const char* title;
        unsigned skinBitmap;
        unsigned maskBitmap;
    };

    explicit EffectWindow(const Look& look);
    ~EffectWindow() override;

    // Makes the window on the calling thread; false when it cannot be made.
    bool open(int showCommand);

    // Yes only while the engine closes the window.
    bool onClose() override;
    // The control notification: 1 when a control of this window was acted on, else 0.
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;

    // Kept for the effects that use them; set before and while the window exists.
    engine::PluginHandle pluginHandle = 0;
    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;

protected:
    // Makes the effect's controls (add each with add()); false when one cannot be made.
    virtual bool createControls() = 0;
    // Shows the processing objects' current state in the controls.
    virtual void loadControls() {}
    // Acts on a change of the control with this id; false when it is not one of the window's.
    virtual bool onControl(int id, zkr::Control& control) = 0;
    // The controls are about to go with the window: forget pointers to them.
    virtual void forgetControls() {}

    // Adds control under id, reporting to this window. The window owns it from then on.
    template <typename ControlType>
    ControlType* add(std::unique_ptr<ControlType> control, int id, const char* tooltip)
    {
        control->id = id;
        zkr::copyText(control->tooltip, tooltip != nullptr ? tooltip : "");
        return &addControl(std::move(control), kControlMessage, static_cast<uint32_t>(kControlNotification));
    }

    // The effect's bitmaps, loaded once per window.
    zkr::SkinImages images{zkr::ownModule()};

private:
    bool createStageOne() final;
    int finishCreate() final;
    void beforeDestroy() final;

    Look look_;
};

} // namespace fxframe
