#pragma once

#include <string>

#include "platform/core/Api.h"

namespace plat {

enum class LoadError {
    None,
    NotFound, // no file at that path
    Failed,   // the file is there but is not a loadable library
};

// One loaded shared library, released by the destructor. Libraries are loaded
// with local symbol scope, so each keeps its own copy of the class library.
class PLAT_API DynamicLibrary {
public:
    DynamicLibrary() = default;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    ~DynamicLibrary();

    // Releases what was loaded before. On failure lastError() says why and
    // errorText() carries the loader's message.
    [[nodiscard]] bool load(const std::string& path);
    void release();
    bool isLoaded() const { return handle_ != nullptr; }
    // The address of an exported symbol, or null.
    [[nodiscard]] void* symbol(const char* name) const;
    template <typename Function> [[nodiscard]] Function function(const char* name) const
    {
        return reinterpret_cast<Function>(symbol(name));
    }
    LoadError lastError() const { return error_; }
    const std::string& errorText() const { return errorText_; }
    const std::string& path() const { return path_; }

private:
    void* handle_ = nullptr;
    LoadError error_ = LoadError::None;
    std::string errorText_;
    std::string path_;
};

} // namespace plat
