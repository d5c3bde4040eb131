#include "platform/ui/Colour.h"

#include <array>

namespace plat::ui {

Argb sysColour(int index)
{
    // The classic grey scheme of the original platform.
    static constexpr std::array<Argb, 25> kScheme = {
        rgb(212, 208, 200), // scrollbar
        rgb(58, 110, 165),  // desktop
        rgb(10, 36, 106),   // active caption
        rgb(128, 128, 128), // inactive caption
        rgb(212, 208, 200), // menu
        rgb(255, 255, 255), // window
        rgb(0, 0, 0),       // window frame
        rgb(0, 0, 0),       // menu text
        rgb(0, 0, 0),       // window text
        rgb(255, 255, 255), // caption text
        rgb(212, 208, 200), // active border
        rgb(212, 208, 200), // inactive border
        rgb(128, 128, 128), // application workspace
        rgb(10, 36, 106),   // highlight
        rgb(255, 255, 255), // highlight text
        rgb(212, 208, 200), // button face
        rgb(128, 128, 128), // button shadow
        rgb(128, 128, 128), // grey text
        rgb(0, 0, 0),       // button text
        rgb(212, 208, 200), // inactive caption text
        rgb(255, 255, 255), // button highlight
        rgb(64, 64, 64),    // 3D dark shadow
        rgb(212, 208, 200), // 3D light
        rgb(0, 0, 0),       // tooltip text
        rgb(255, 255, 225), // tooltip background
    };
    if (index < 0 || index >= int(kScheme.size()))
        return kBlack;
    return kScheme[std::size_t(index)];
}

} // namespace plat::ui
