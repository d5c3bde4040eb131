#pragma once

#include <dlfcn.h>

#include <string>

// The stand-ins for the shared services library built in tests/libs, and the
// call log of the one that is loaded.
namespace velmora::test {

inline std::string sharedServicesDouble(const char* variant)
{
    return std::string(VELMORA_TEST_LIBS_DIR) + "/" + variant + "/ZKRShared.so";
}

// True when the library at path is loaded in this process.
inline bool isLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

// The calls the loaded double at path has recorded, one line each; "" when
// it is not loaded.
inline std::string sharedServicesLog(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return "";
    auto readLog = reinterpret_cast<int (*)(char*, int)>(dlsym(handle, "testSharedServicesLog"));
    std::string log;
    if (readLog != nullptr) {
        log.resize(static_cast<size_t>(readLog(nullptr, 0)));
        readLog(log.data(), static_cast<int>(log.size()) + 1);
    }
    dlclose(handle);
    return log;
}

inline void clearSharedServicesLog(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return;
    if (auto clearLog = reinterpret_cast<void (*)()>(dlsym(handle, "testSharedServicesClearLog")))
        clearLog();
    dlclose(handle);
}

} // namespace velmora::test
