#pragma once

#include <memory>

#include "api/PluginApi.h"
#include "plugins/quillan/PluginNames.h"
#include "zkr/Application.h"

namespace quillan {

class RecorderWindow;

// The plug-in's application object: one per loaded library, made when it is
// loaded (startUp) and gone when it is unloaded (shutDown). It keeps the
// engine's callbacks and hands them, with the plug-in handle, to the
// recorder window, which does everything else. The engine sets them on the
// thread that loads the plug-in, before it asks for the window.
class QuillanApplication : public zkr::Application {
public:
    // The recording's left (or mono) and right stream.
    static constexpr int32_t kStreamCount = 2;

    QuillanApplication();
    ~QuillanApplication() override;

    // Library load: the shared services, the window's object (with its
    // device, buffer and converter), the settings file.
    void startUp();
    // Library unload: the window closed if still open, then let go.
    void shutDown();

    void setEventCallback(engine::EventCallback callback);
    void setInternalCallback(engine::InternalCallback callback);

    // ---- the engine's calls, handed to the window's object ----
    void setPluginHandle(engine::PluginHandle handle);
    bool createUserInterface(int32_t showCommand);
    void destroyUserInterface();
    void onPluginSwitch(bool show);
    bool setupAudioSystem(const engine::AudioSystemSetup* setup);
    bool readStreamChannel(int32_t stream, const int16_t** block, int32_t* bytes);
    void onStreamingError(int32_t first, int32_t second);
    static void fillPluginInfo(engine::PluginInfo* info);

    engine::EventCallback eventCallback = nullptr;
    engine::InternalCallback internalCallback = nullptr;
    std::unique_ptr<RecorderWindow> window;
};

// Made when the library is loaded, gone when it is unloaded; null outside.
void startPlugin();
void stopPlugin();
QuillanApplication* plugin();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace quillan
