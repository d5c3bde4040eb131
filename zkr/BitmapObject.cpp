#include "zkr/BitmapObject.h"

#include <utility>

#include "platform/ui/Resources.h"

namespace zkr {

using plat::ui::Argb;
using plat::ui::Painter;
using plat::ui::Rect;
using plat::ui::Region;
using plat::ui::Surface;

BitmapObject::BitmapObject(int width, int height, Argb fill)
{
    create(width, height, fill);
}

BitmapObject::BitmapObject(Surface&& bitmap)
{
    adopt(std::move(bitmap));
}

bool BitmapObject::load(plat::ModuleHandle module, unsigned resourceId)
{
    Surface image;
    if (!plat::ui::loadBitmap(module, resourceId, image) || image.isEmpty()) {
        release();
        return false;
    }
    adopt(std::move(image));
    return true;
}

void BitmapObject::create(int width, int height, Argb fill)
{
    adopt(Surface(width, height, fill));
}

void BitmapObject::release()
{
    // The context goes first: it points at the bitmap.
    dc_.reset();
    bitmap_.reset();
    description_ = BitmapDescription{};
}

void BitmapObject::adopt(Surface&& bitmap)
{
    release();
    if (bitmap.isEmpty())
        return;
    bitmap_ = std::make_unique<Surface>(std::move(bitmap));
    dc_ = std::make_unique<Painter>(*bitmap_);
    description_.width = bitmap_->width();
    description_.height = bitmap_->height();
    description_.rowBytes = int32_t(bitmap_->strideBytes());
    description_.planes = 1;
    description_.bitsPerPixel = 32;
}

Region BitmapObject::makeRegion() const
{
    if (isEmpty())
        return Region();
    return Region::fromMask(*bitmap_);
}

void BitmapObject::blit(Painter& dc, int x, int y, int left, int top, int right, int bottom) const
{
    if (!isEmpty())
        dc.blit(x, y, *bitmap_, Rect{left, top, right, bottom});
}

void BitmapObject::blitAll(Painter& dc, int x, int y) const
{
    if (isEmpty())
        return;
    blit(dc, x, y, 0, 0, width(), height());
}

} // namespace zkr
