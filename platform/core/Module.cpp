#include "platform/core/Module.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace plat {

namespace {

// The loader names the main program after argv[0] and a library after the
// text it was opened with, which may be relative to a folder left long ago.
std::string absolutePath(const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return {};
    if (name[0] == '/')
        return name;
    std::unique_ptr<char, decltype(&free)> resolved(realpath(name, nullptr), &free);
    return resolved ? std::string(resolved.get()) : std::string(name);
}

} // namespace

ModuleHandle programModule()
{
    // The program headers are mapped inside the program's own image, so the
    // module that holds them is the program, whatever it was started as.
    static const ModuleHandle program = [] {
        Dl_info where;
        const auto headers = reinterpret_cast<const void*>(getauxval(AT_PHDR));
        if (headers == nullptr || dladdr(headers, &where) == 0)
            return ModuleHandle{nullptr};
        return ModuleHandle{where.dli_fbase};
    }();
    return program;
}

bool moduleOf(const void* address, ModuleInfo& info)
{
    Dl_info where;
    if (address == nullptr || dladdr(address, &where) == 0 || where.dli_fbase == nullptr)
        return false;
    info.handle = where.dli_fbase;
    info.path = info.handle == programModule() ? programPath() : absolutePath(where.dli_fname);
    return true;
}

std::string programPath()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2); // cut off: try again with room to spare
    }
}

std::string programFolder()
{
    const std::string path = programPath();
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    // A program in the root folder: "/" is the one folder name that keeps its slash.
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace plat
