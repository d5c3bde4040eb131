// Writes a help folder's contents page and frameset page, as the shared
// services library writes them at the first help request. The install runs
// it, so that a program folder its users cannot write to has them too.
//   build/tools/write-help-contents <help folder>
#include <cstdio>

#include "shared/HelpSystem.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-help-contents <help folder>\n");
        return 2;
    }
    return shared::writeHelpContents(argv[1]) ? 0 : 1;
}
