#include "zkr/MutexObject.h"

#include "zkr/Text.h"

namespace zkr {

MutexObject::MutexObject(bool initiallyOwned, const char* label)
{
    copyText(name, label);
    handle = plat::createMutex(initiallyOwned, name);
}

bool MutexObject::release()
{
    return handle != nullptr && plat::releaseMutex(handle);
}

} // namespace zkr
