#pragma once

#include <cstdint>

#include "zkr/ClassKinds.h"

namespace zkr {

// getName's buffer holds at least this many characters: enough for a window
// caption (256) and for any kind or resource name.
inline constexpr int kObjectNameSize = 260;

using ErrorHandler = void (*)(int code, const char* context);

// The root of every class of the library. A failing operation of the
// window's or the main thread records its code with setError, which reports
// it once (unless the object is silent), and returns lastError. Operations of
// the streaming thread and of device and producer threads never call it: they
// answer their failure (a code, or a zkr::Error with its context) and leave
// the telling to the caller, so that no dialog starts on those threads and
// lastError stays the owner's.
class ObjectBase {
public:
    ObjectBase() = default;
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;
    virtual ~ObjectBase() = default;

    // Records and reports a failure: to the own handler when one is set,
    // else to the deliverable's application object.
    virtual void setError(int code);
    // Copies the display name (kObjectNameSize characters at most) into buffer
    // when one is given; returns the kind.
    virtual int getName(char* buffer);

    void clearError() { lastError = 0; }
    void setOwnHandler(ErrorHandler handler)
    {
        ownHandler = handler;
        ownHandlerSet = handler != nullptr;
    }

    int32_t kind = kKindObjectBase;
    int32_t lastError = 0;
    // Message for codes from Error::FirstMessage on.
    const char* errorContext = nullptr;
    bool silent = false;
    bool ownHandlerSet = false;
    ErrorHandler ownHandler = nullptr;
};

} // namespace zkr
