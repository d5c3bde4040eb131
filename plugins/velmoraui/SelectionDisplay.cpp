#include "plugins/velmoraui/SelectionDisplay.h"

#include <algorithm>

#include "platform/ui/Colour.h"
#include "platform/ui/Messages.h"
#include "plugins/velmoraui/Texts.h"
#include "zkr/Text.h"

namespace velmoraui {

using plat::ui::Rect;

namespace {

// The smallest rectangle holding both.
Rect grow(const Rect& box, int x, int y)
{
    if (box.isEmpty())
        return Rect{x, y, x + 1, y + 1};
    return Rect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                std::max(box.bottom, y + 1)};
}

} // namespace

bool SelectionAreas::load(plat::ModuleHandle module, unsigned bitmapId)
{
    zkr::BitmapObject bitmap;
    if (!bitmap.load(module, bitmapId))
        return false;
    const plat::ui::Surface& pixels = bitmap.bitmap();
    width_ = pixels.width();
    height_ = pixels.height();
    map_.assign(std::size_t(width_) * std::size_t(height_), Area::None);
    nameBox_ = Rect{};
    lampBox_ = Rect{};
    for (int y = 0; y < height_; ++y) {
        const plat::ui::Argb* row = pixels.row(y);
        for (int x = 0; x < width_; ++x) {
            const plat::ui::Argb colour = row[x] & 0xFFFFFF;
            Area& area = map_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
            if (colour == 0x000000) {
                area = Area::Name;
                nameBox_ = grow(nameBox_, x, y);
            } else if (colour == 0xFF0000) {
                area = Area::Lamp;
                lampBox_ = grow(lampBox_, x, y);
            }
        }
    }
    return true;
}

SelectionAreas::Area SelectionAreas::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return Area::None;
    return map_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
}

SelectionDisplay::SelectionDisplay(zkr::UserInterface* owner) : zkr::Control(owner) {}

void SelectionDisplay::place(int x, int y, const zkr::BitmapObject* background, const SelectionAreas* areas,
                             const zkr::BitmapObject* lampLit, const zkr::BitmapObject* lampDark,
                             const zkr::BitmapFont* font)
{
    background_ = background;
    areas_ = areas;
    lampLit_ = lampLit;
    lampDark_ = lampDark;
    font_ = font;
    width = background != nullptr ? background->width() : 0;
    height = background != nullptr ? background->height() : 0;
    rect = Rect::fromSize(x, y, width, height);
    region = plat::ui::Region(rect);
    zkr::copyText(name, kNoneText);
}

void SelectionDisplay::setDefaultTooltip(const std::string& text)
{
    defaultTooltip_ = text;
    zkr::copyText(tooltip, text.c_str());
}

void SelectionDisplay::showSelection(const char* text)
{
    if (text == nullptr) {
        zkr::copyText(name, kNoneText);
        zkr::copyText(tooltip, defaultTooltip_.c_str());
    } else {
        zkr::copyText(name, shortNameOf(text).c_str());
        zkr::copyText(tooltip, titleOf(text).c_str());
    }
    lit = text != nullptr;
    repaint();
}

void SelectionDisplay::setLit(bool on)
{
    lit = on;
    repaint();
}

void SelectionDisplay::onMouseUp(intptr_t point, uintptr_t keys)
{
    clickedArea = areas_ != nullptr ? areas_->at(plat::ui::pointX(point), plat::ui::pointY(point))
                                    : SelectionAreas::Area::None;
    if (clickedArea == SelectionAreas::Area::None) {
        // A release off both areas ends the press without firing.
        previousState = state;
        state = kStateNormal;
        repaint();
        return;
    }
    zkr::Control::onMouseUp(point, keys);
}

void SelectionDisplay::paint(plat::ui::Painter* dc)
{
    if (dc == nullptr)
        return;
    if (background_ != nullptr)
        background_->blitAll(*dc, rect.left, rect.top);
    if (areas_ == nullptr)
        return;
    if (font_ != nullptr)
        font_->drawCentred(*dc, areas_->nameBox().offsetBy(rect.left, rect.top), name);
    const zkr::BitmapObject* lamp = lit ? lampLit_ : lampDark_;
    if (lamp != nullptr)
        lamp->blitAll(*dc, rect.left + areas_->lampBox().left, rect.top + areas_->lampBox().top);
}

} // namespace velmoraui
