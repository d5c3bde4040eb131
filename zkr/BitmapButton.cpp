#include "zkr/BitmapButton.h"

#include "api/Protocol.h"

namespace zkr {

using namespace plat::ui;

BitmapButton::BitmapButton(UserInterface* owner) : Control(owner) {}

void BitmapButton::place(int x, int y, const BitmapObject* image)
{
    bitmap = image;
    const int w = image != nullptr ? image->width() : 0;
    const int h = image != nullptr ? image->height() / frameCount() : 0;
    rect = Rect::fromSize(x, y, w, h);
    width = w;
    height = h;
    region = Region(rect);
    state = kStateNormal;
}

int BitmapButton::place(int x, int y, plat::ModuleHandle module, unsigned resourceId)
{
    auto loaded = std::make_unique<BitmapObject>();
    if (!loaded->load(module, resourceId)) {
        setError(toWire(engine::Error::CreateControl));
        return lastError;
    }
    place(x, y, loaded.get());
    // The old bitmap goes only after the new one is in place.
    ownedBitmap_ = std::move(loaded);
    return 0;
}

int BitmapButton::currentFrame() const
{
    if (!enabled)
        return kFrameDisabled;
    switch (state) {
    case kStatePressed:
        return kFramePressed;
    case kStateHot:
        return kFrameHot;
    default:
        return kFrameNormal;
    }
}

void BitmapButton::paint(Painter* dc)
{
    if (dc == nullptr || bitmap == nullptr || height <= 0)
        return;
    const int top = currentFrame() * height;
    bitmap->blit(*dc, rect.left, rect.top, 0, top, width, top + height);
}

} // namespace zkr
