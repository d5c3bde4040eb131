#include <cstdlib>

#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Surface.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

namespace {

// Static text (left, centred, right, with or without wrapping) and static
// pictures (a bitmap of the module, named "#id" in the template, or one set
// with kMsgStaticSetImage).
class Static : public Control {
public:
    Static(WindowHandle window, const CreateInfo& info) : Control(window, info)
    {
        if ((style() & kStaticNotify) == 0)
            setWindowLongPtr(window, kGwlExStyle, windowLongPtr(window, kGwlExStyle) | kExStyleTransparent);
        if (isPicture() && info.title != nullptr) {
            const char* name = info.title[0] == '#' ? info.title + 1 : info.title;
            char* end = nullptr;
            unsigned long id = std::strtoul(name, &end, 10);
            if (end != name && *end == '\0')
                (void)loadImage(info.module, type() == kStaticIcon ? ImageKind::Icon : ImageKind::Bitmap,
                          static_cast<unsigned>(id), owned_);
            if (!owned_.isEmpty())
                image_ = &owned_;
        }
        // A picture of real size makes the control as big as the picture.
        if (image_ != nullptr && (style() & (kStaticRealSizeImage | kStaticCentreImage)) == 0) {
            int border = (style() & kStaticSunken) != 0 ? 2 : 0;
            (void)setWindowPos(window, 0, 0, image_->width() + border, image_->height() + border,
                         kPosNoMove | kPosNoZOrder | kPosNoActivate);
        }
    }

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        switch (message) {
        case kMsgStaticSetImage: {
            const Surface* old = image_;
            image_ = reinterpret_cast<const Surface*>(lparam);
            invalidate();
            return reinterpret_cast<intptr_t>(old);
        }
        case kMsgStaticGetImage:
            return reinterpret_cast<intptr_t>(image_);
        case kMsgLButtonDown:
        case kMsgLButtonDoubleClick:
            if ((style() & kStaticNotify) != 0)
                notifyCommand(message == kMsgLButtonDown ? 0 : 1);
            return 0;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    intptr_t dialogCode() const override { return kDialogCodeStatic; }

    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        Brush brush = askColours(p, kMsgCtlColorStatic);
        const bool transparent = p.state().backgroundMode == BackgroundMode::Transparent;
        if (!transparent || isPicture())
            p.fillRect(area, brush);
        if ((style() & kStaticSunken) != 0)
            area = p.drawEdge(area, kBorderSunkenOuter, kSidesRect);
        if (isPicture()) {
            if (image_ != nullptr) {
                int x = area.left;
                int y = area.top;
                if ((style() & kStaticCentreImage) != 0) {
                    x += (area.width() - image_->width()) / 2;
                    y += (area.height() - image_->height()) / 2;
                }
                p.intersectClip(area);
                p.alphaBlend(x, y, *image_, image_->bounds());
            }
            return;
        }
        unsigned format = kTextWordBreak;
        switch (type()) {
        case kStaticCentre:
            format = kTextCentre | kTextWordBreak;
            break;
        case kStaticRight:
            format = kTextRight | kTextWordBreak;
            break;
        case kStaticLeftNoWrap:
            format = kTextLeft | kTextSingleLine;
            break;
        default:
            break;
        }
        if ((style() & kStaticNoPrefix) != 0)
            format |= kTextNoPrefix;
        if (!enabled())
            p.setTextColour(look::grayText());
        p.setBackgroundMode(BackgroundMode::Transparent);
        p.drawText(text(), area, format);
    }

private:
    uint32_t type() const { return style() & kStaticTypeMask; }
    bool isPicture() const { return type() == kStaticBitmap || type() == kStaticIcon; }

    Surface owned_;                  // a picture loaded from the module
    const Surface* image_ = nullptr; // what is shown: owned_ or the caller's
};

} // namespace

void registerStaticClass()
{
    (void)registerControlClass(kStaticClass, &controlProcedure<Static>, 0);
}

} // namespace plat::ui::detail
