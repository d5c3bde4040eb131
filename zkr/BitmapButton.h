#pragma once

#include <memory>

#include "platform/core/Module.h"
#include "platform/ui/Painter.h"
#include "zkr/BitmapObject.h"
#include "zkr/Control.h"

namespace zkr {

// A push button drawn from a bitmap of frames of equal height stacked
// vertically: 0 normal, 1 disabled, 2 hot, 3 pressed. It shows the frame of
// its state, and the disabled frame whenever it is not enabled.
class BitmapButton : public Control {
public:
    static constexpr int kFrameNormal = 0;
    static constexpr int kFrameDisabled = 1;
    static constexpr int kFrameHot = 2;
    static constexpr int kFramePressed = 3;

    explicit BitmapButton(UserInterface* owner = nullptr);

    // At x, y with a bitmap it does not own (it must outlive the button).
    void place(int x, int y, const BitmapObject* bitmap);
    // At x, y with bitmap resourceId of module, loaded and owned. Error::CreateControl
    // when the bitmap cannot be loaded; 0 on success.
    [[nodiscard]] int place(int x, int y, plat::ModuleHandle module, unsigned resourceId);

    void paint(plat::ui::Painter* dc) override;

    // The frame paint draws now.
    virtual int currentFrame() const;

    const BitmapObject* bitmap = nullptr;

protected:
    // Frames the bitmap holds.
    virtual int frameCount() const { return 4; }

private:
    std::unique_ptr<BitmapObject> ownedBitmap_;
};

} // namespace zkr
