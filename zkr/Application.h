#pragma once

#include "zkr/Registry.h"

namespace zkr {

// The one object of each deliverable that shows errors to the user and holds
// its settings store. Constructing it makes it theApplication; destroying it
// clears that reference.
class Application {
public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    // Above 100: a message box with text as its message. Otherwise the error
    // dialog of the shared services library, with text as the context.
    virtual void showError(int code, const char* text);
    // Opens the deliverable's help page; the base does nothing.
    virtual void showHelp(int topic, int context);

    Registry settings;
};

// The deliverable's application object, or null before it exists. Each
// deliverable has its own (the class library is linked into each one).
extern Application* theApplication;

} // namespace zkr
