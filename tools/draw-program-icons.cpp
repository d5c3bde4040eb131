// Draws the program's icon at each size the desktop's icon theme asks for,
// into <folder>/<size>/velmora.png (the install puts each into
// share/icons/hicolor/<size>x<size>/apps). Each size is drawn, not scaled, so
// small ones stay crisp and large ones get their detail.
//   build/tools/draw-program-icons engine/desktop/icons
#include <filesystem>
#include <string>

#include "tools/SkinKit.h"

using namespace artwork;

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "engine/desktop/icons";
    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string sizeFolder = folder + "/" + std::to_string(size);
        std::error_code error;
        std::filesystem::create_directories(sizeFolder, error);
        ok &= save(drawProgramIcon(size), sizeFolder + "/velmora.png");
    }
    return ok ? 0 : 1;
}
