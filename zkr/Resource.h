#pragma once

#include <string>

#include "zkr/ObjectBase.h"

namespace zkr {

class MutexObject;

// Something outside the program opened by name (a file, a device, a decoder
// stream). Derived classes supply open and close and call detach in their
// destructors: by the time this base's destructor runs, their close is gone,
// so the base only deletes a guard that is still there.
class Resource : public ObjectBase {
public:
    Resource();
    ~Resource() override;

    // While attached: the part of the resource name after its last '/';
    // otherwise the kind name.
    int getName(char* buffer) override;
    [[nodiscard]] virtual bool open(const char* name, int mode);
    [[nodiscard]] virtual bool close();

    // Detaches first when attached; 1 when open fails. The name is kept whole.
    // With use guard set, an unnamed mutex is created as the guard.
    [[nodiscard]] int attach(const char* name, int mode);
    // 2 when close fails (the resource stays attached); deletes the guard.
    [[nodiscard]] int detach();

    bool attached = false;
    std::string resourceName;
    // Created and deleted by attach and detach on the owner's thread; other
    // threads only wait on it while the resource is attached.
    MutexObject* guard = nullptr;
    bool useGuard = false;

private:
    void deleteGuard();
};

} // namespace zkr
