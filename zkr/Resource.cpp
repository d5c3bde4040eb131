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
    if (!attached || resourceName.empty())
        return ObjectBase::getName(buffer);
    copyText(buffer, kObjectNameSize, resourceName.substr(resourceName.rfind('/') + 1).c_str());
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
    // A copy: re-attaching under the current name would see detach empty it.
    const std::string wanted = name != nullptr ? name : "";
    name = name != nullptr ? wanted.c_str() : nullptr;
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
    resourceName = wanted;
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
        resourceName.clear();
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
