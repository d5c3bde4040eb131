// Writes one section of a profile file again and again, so that a test can
// run it beside other writers: profile_writer <file> <section> <count>.
// Each write holds "count=N", three fixed lines and "end=N" for N = 1..count.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/Profile.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: profile_writer <file> <section> <count>\n");
        return 2;
    }
    const char* file = argv[1];
    const char* section = argv[2];
    const int count = std::atoi(argv[3]);
    for (int n = 1; n <= count; ++n) {
        std::string number = std::to_string(n);
        std::string text = "count=" + number + '\0' + "a=alpha " + number + '\0' + "b=beta" + '\0' +
                           "c=gamma" + '\0' + "end=" + number + '\0' + '\0';
        if (!plat::writeProfileSection(section, text.c_str(), file)) {
            std::fprintf(stderr, "profile_writer: write %d of [%s] failed\n", n, section);
            return 1;
        }
    }
    return 0;
}
