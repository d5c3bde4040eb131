#pragma once

#include <memory>

#include "api/PluginApi.h"
#include "platform/ui/Surface.h"
#include "zkr/Application.h"

namespace velmoraui {

class MainPanel;

// The plug-in's application: its settings store, the engine's callbacks and
// the main window's object. Made when the library is loaded (startUp) and
// gone when it is unloaded (shutDown); the engine's calls fall in between.
class UiApplication : public zkr::Application {
public:
    static constexpr char kHelpPage[] = "VelmoraUI.html";

    UiApplication();
    ~UiApplication() override;

    // Binds the shared services, makes the main window's object and names the settings file.
    virtual void startUp();
    // Closes the main window if it is still open and lets everything go.
    virtual void shutDown();
    virtual void setEventCallback(engine::EventCallback callback);
    virtual void setInternalCallback(engine::InternalCallback callback);

    // The main window on a thread of its own; 1 when it exists.
    int32_t createUserInterface(engine::InstanceHandle instance, int32_t showCommand);
    // Handed to the main window's object while it exists.
    void updateGeneralValue(int32_t index, int32_t code, intptr_t value);
    void updateChannelValue(int32_t channel, int32_t code, intptr_t value);
    static void fillPluginInfo(engine::PluginInfo* info);

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    std::unique_ptr<MainPanel> mainPanel;
    // The windows' icon, kept while their class is registered.
    plat::ui::Surface icon;
};

} // namespace velmoraui
