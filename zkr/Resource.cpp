#include "zkr/Resource.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "api/Protocol.h"
#include "zkr/MutexObject.h"
#include "zkr/Text.h"

namespace zkr {

Resource::Resource()
{
    kind = kKindResource;
}

Resource::~Resource()
{
    // Only the guard can be cleaned up here: a derived class's close no longer
    // exists once its destructor has run, so derived classes detach in theirs.
    deleteGuard();
}

int Resource::getName(char* buffer)
{
    if (buffer == nullptr)
        return kind;
    if (!attached || resourceName[0] == '\0')
        return ObjectBase::getName(buffer);
    const char* slash = std::strrchr(resourceName, '/');
    copyText(buffer, kObjectNameSize, slash != nullptr ? slash + 1 : resourceName);
    return kind;
}

bool Resource::open(const char*, int)
{
    return true;
}

bool Resource::close()
{
    return true;
}

int Resource::attach(const char* name, int mode)
{
    // Re-attaching under the current name: detach empties that field, so keep
    // a copy to open with.
    char ownName[kResourceNameSize];
    auto at = reinterpret_cast<std::uintptr_t>(name);
    auto field = reinterpret_cast<std::uintptr_t>(resourceName);
    if (name != nullptr && at >= field && at < field + kResourceNameSize) {
        copyText(ownName, name);
        name = ownName;
    }
    if (attached) {
        int status = detach();
        if (status != 0)
            return status;
    }
    if (!open(name, mode)) {
        setError(toWire(engine::Error::CannotUseResource));
        return lastError;
    }
    attached = true;
    copyText(resourceName, name);
    if (useGuard && guard == nullptr)
        guard = new (std::nothrow) MutexObject(false, nullptr);
    lastError = 0;
    return 0;
}

int Resource::detach()
{
    if (attached) {
        if (!close()) {
            setError(toWire(engine::Error::CannotReleaseResource));
            return lastError;
        }
        attached = false;
        resourceName[0] = '\0';
    }
    // Whether or not use guard is still set: a guard left behind would leak.
    deleteGuard();
    lastError = 0;
    return 0;
}

void Resource::deleteGuard()
{
    delete guard;
    guard = nullptr;
}

} // namespace zkr
