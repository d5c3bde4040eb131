#include "zkr/LampControl.h"

#include "zkr/BitmapObject.h"

namespace zkr {

using namespace plat::ui;

LampControl::LampControl(UserInterface* ui) : Control(ui) {}

void LampControl::place(int x, int y, const BitmapObject* litPicture, const BitmapObject* darkPicture)
{
    litImage = litPicture;
    darkImage = darkPicture;
    width = litImage != nullptr ? litImage->width() : 0;
    height = litImage != nullptr ? litImage->height() : 0;
    rect = Rect::fromSize(x, y, width, height);
    region = Region(rect);
}

void LampControl::setLit(bool on)
{
    lit = on;
    repaint();
}

void LampControl::paint(Painter* dc)
{
    const BitmapObject* image = lit ? litImage : darkImage;
    if (dc != nullptr && image != nullptr)
        image->blitAll(*dc, rect.left, rect.top);
}

} // namespace zkr
