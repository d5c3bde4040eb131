#pragma once

#include <cstdint>

#include "platform/core/Api.h"

// Kernel objects: mutexes, events and threads behind one opaque, reference
// counted handle, so that any two of them can be waited for at once. The rules
// follow the system's original platform: mutexes are recursive and report
// abandonment, events are manual or auto reset, a thread is signalled when it
// has ended. Names are labels for debug traces only; every object is its own.
namespace plat {

class KernelObject;
using Handle = KernelObject*;

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr uint32_t kWaitObject0 = 0x00000000u;
inline constexpr uint32_t kWaitAbandoned0 = 0x00000080u;
inline constexpr uint32_t kWaitTimeout = 0x00000102u;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr uint32_t kMaximumWaitObjects = 64;

// Drops one reference; the object goes when the last one does. A running
// thread keeps its own reference. Null is ignored.
PLAT_API void closeHandle(Handle handle);
// Adds a reference and returns the same object (null for null).
[[nodiscard]] PLAT_API Handle duplicateHandle(Handle handle);
// The label given at creation ("" for unnamed objects and threads).
PLAT_API const char* objectName(Handle handle);

// kWaitObject0 when signalled (a mutex is then owned by the caller),
// kWaitAbandoned0 when a mutex was taken over from a thread that ended while
// holding it, kWaitTimeout, or kWaitFailed for a null or unusable handle.
[[nodiscard]] PLAT_API uint32_t waitForSingleObject(Handle handle, uint32_t timeoutMs);
// Waits for any (result kWaitObject0 + index, or kWaitAbandoned0 + index) or,
// with waitAll, for all of the objects at once (kWaitObject0, or
// kWaitAbandoned0 + the index of an abandoned mutex among them). At most
// kMaximumWaitObjects handles.
[[nodiscard]] PLAT_API uint32_t waitForMultipleObjects(uint32_t count, const Handle* handles, bool waitAll,
                                                       uint32_t timeoutMs);

[[nodiscard]] PLAT_API Handle createMutex(bool initiallyOwned, const char* name);
// False when the calling thread does not own the mutex.
[[nodiscard]] PLAT_API bool releaseMutex(Handle mutex);

[[nodiscard]] PLAT_API Handle createEvent(bool manualReset, bool initiallySignalled, const char* name);
[[nodiscard]] PLAT_API bool setEvent(Handle event);
[[nodiscard]] PLAT_API bool resetEvent(Handle event);

// Owns one reference to a kernel object.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { closeHandle(handle_); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    [[nodiscard]] Handle release()
    {
        Handle h = handle_;
        handle_ = nullptr;
        return h;
    }
    void reset(Handle handle = nullptr)
    {
        closeHandle(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

} // namespace plat
