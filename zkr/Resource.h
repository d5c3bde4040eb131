#pragma once

#include "zkr/ObjectBase.h"

namespace zkr {

class MutexObject;

// Something outside the program opened by name (a file, a device, a decoder
// stream). Derived classes supply open and close and call detach in their
// destructors.
class Resource : public ObjectBase {
public:
    static constexpr int kResourceNameSize = 131;

    Resource();
    ~Resource() override;

    // While attached: the part of the resource name after its last '/';
    // otherwise the kind name.
    int getName(char* buffer) override;
    virtual bool open(const char* name, int mode);
    virtual bool close();

    int attach(const char* name, int mode);
    int detach();

    bool attached = false;
    char resourceName[kResourceNameSize] = {};
    MutexObject* guard = nullptr;
    bool useGuard = false;
};

} // namespace zkr
