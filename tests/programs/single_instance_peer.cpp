// A later start of a single-instance program, for the tests: takes the lock
// named by its first argument and, when another process holds it, hands the
// rest of its arguments (joined by spaces) over to that process.
// Exit codes: 0 delivered, 3 not delivered, 2 this process was the first,
// 4 the lock could not be taken, 64 no name given.
#include <string>

#include "platform/core/SingleInstance.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 64;
    plat::SingleInstance instance(argv[1]);
    switch (instance.acquire()) {
    case plat::SingleInstance::Role::First:
        return 2;
    case plat::SingleInstance::Role::Failed:
        return 4;
    case plat::SingleInstance::Role::Second:
        break;
    }
    std::string commandLine;
    for (int i = 2; i < argc; ++i) {
        if (i > 2)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return instance.handOver(commandLine) ? 0 : 3;
}
