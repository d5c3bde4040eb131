#pragma once

#include "zkr/Registry.h"

namespace zkr {

// The one object of each deliverable that shows errors to the user and holds
// its settings store. Constructing it makes it theApplication (unless one is
// already set); destroying it clears that reference. It does not release the
// shared services: the deliverable binds them after creating this object and
// releases them in its own shut-down (releaseSharedServices).
class Application {
public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    // Above Error::FirstMessage: a message box with text as its message. Otherwise the error
    // dialog of the shared services library, with text as the context; while
    // that library is not bound, a message box with the code and the text.
    virtual void showError(int code, const char* text);
    // Opens the deliverable's help page (helpPage) at topic through the shared
    // services; nothing without a page or while that library is not bound.
    virtual void showHelp(int topic, int context);

    Registry settings;
    // The deliverable's page in the help folder, or null.
    const char* helpPage = nullptr;
};

// The deliverable's application object, or null before it exists. Each
// deliverable has its own (the class library is linked into each one). Set and
// cleared on the deliverable's start-up thread before and after its other
// threads run; they only read it.
extern Application* theApplication;

// The application's settings store with section selected (read from the file
// the first time); null before the application exists or when the section
// cannot be kept.
[[nodiscard]] Registry* settingsSection(const char* section);

} // namespace zkr
