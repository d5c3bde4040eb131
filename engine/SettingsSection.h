#pragma once

#include <mutex>
#include <string>

#include "api/PluginApi.h"
#include "zkr/Registry.h"

namespace engine {

// The engine's section of the settings file (zkr::kSettingsFile); also the
// caption of its message boxes (zkr::kProductTitle).
inline constexpr char kEngineSection[] = "Velmora Audio Engine v0.1b";

// The program as started: its instance handle (handed to
// createUserInterface), its command line and show command, and its folder
// (without a trailing separator), which holds Plugins.
struct StartedProgram {
    InstanceHandle instance = 0;
    std::string commandLine;
    int32_t showCommand = kShowCommandShow;
    std::string folder;
};

// The engine's section of its settings store, with the lock that guards the
// store: the user interface's thread (restore, the Plugin Manager and its
// dialogs) and the main thread (start-up, tray dialogs, exit) both use it.
// Never held across a plug-in call or a modal dialog. Taken before the slots'
// lock when both are held. The store reports its own failures (setError),
// so its users do not check each read and write.
class SettingsSection {
public:
    // The store, locked and with the engine's section selected (loaded the
    // first time), for as long as this lives.
    class Held {
    public:
        zkr::Registry& operator*() const { return store_; }
        zkr::Registry* operator->() const { return &store_; }

    private:
        friend class SettingsSection;
        Held(zkr::Registry& store, std::recursive_mutex& lock) : lock_(lock), store_(store)
        {
            static_cast<void>(store_.selectSection(kEngineSection, true));
        }

        std::unique_lock<std::recursive_mutex> lock_;
        zkr::Registry& store_;
    };

    explicit SettingsSection(zkr::Registry& store) : store_(store) {}
    SettingsSection(const SettingsSection&) = delete;
    SettingsSection& operator=(const SettingsSection&) = delete;

    [[nodiscard]] Held hold() { return Held(store_, lock_); }

private:
    zkr::Registry& store_;
    std::recursive_mutex lock_;
};

// The user's display scale: "automatic" (the default: the desktop's) or 1, 1.5, 2, 3.
inline constexpr char kKeyDisplayScale[] = "DisplayScale";
inline std::string readDisplayScale(SettingsSection& settings)
{
    char value[zkr::Registry::kValueSize];
    settings.hold()->getString(kKeyDisplayScale, "automatic", value);
    return value;
}

} // namespace engine
