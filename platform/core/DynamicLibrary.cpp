#include "platform/core/DynamicLibrary.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace plat {

namespace {

std::string takeLoaderError()
{
    const char* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

// A bare name is searched for along the library path, so there is no one file
// to stat. The loader names the file it could not find first in its message;
// only when that file is ours is the library itself missing (a missing
// dependency of a library that is there is a failure to load, not "not found").
bool loaderMissedBareName(const std::string& name, const std::string& text)
{
    const std::string missing = name + ": cannot open shared object file: No such file or directory";
    return text == missing;
}

} // namespace

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::exchange(other.error_, LoadError::None)),
      errorText_(std::move(other.errorText_)), path_(std::move(other.path_))
{
    other.errorText_.clear();
    other.path_.clear();
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::exchange(other.error_, LoadError::None);
        errorText_ = std::move(other.errorText_);
        path_ = std::move(other.path_);
        other.errorText_.clear();
        other.path_.clear();
    }
    return *this;
}

DynamicLibrary::~DynamicLibrary()
{
    release();
}

bool DynamicLibrary::load(const std::string& path)
{
    release();
    path_ = path;
    error_ = LoadError::None;
    errorText_.clear();

    // dlopen of an empty name would hand out the program itself.
    if (path.empty()) {
        error_ = LoadError::NotFound;
        errorText_ = "empty library path";
        return false;
    }
    const bool bareName = path.find('/') == std::string::npos;
    if (!bareName) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            error_ = LoadError::NotFound;
            errorText_ = path + ": " + std::strerror(errno);
            return false;
        }
    }

    dlerror(); // forget an older message of this thread
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        errorText_ = takeLoaderError();
        error_ = bareName && loaderMissedBareName(path, errorText_) ? LoadError::NotFound : LoadError::Failed;
        return false;
    }
    return true;
}

void DynamicLibrary::release()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
    path_.clear();
}

void* DynamicLibrary::symbol(const char* name) const
{
    if (handle_ == nullptr || name == nullptr)
        return nullptr;
    dlerror();
    void* address = dlsym(handle_, name);
    if (address == nullptr)
        return nullptr;
    // dlsym also searches the library's dependencies; an export of the C
    // library must not stand in for one that a plug-in lacks.
    link_map* own = nullptr;
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &own) != 0 || own == nullptr)
        return nullptr;
    Dl_info where;
    void* extra = nullptr;
    if (dladdr1(address, &where, &extra, RTLD_DL_LINKMAP) == 0)
        return nullptr;
    return static_cast<link_map*>(extra) == own ? address : nullptr;
}

} // namespace plat
