#pragma once

#include <cstdint>
#include <string>

#include "engine/AudioCore.h"
#include "engine/EngineHost.h"
#include "engine/PluginSlots.h"
#include "engine/SettingsSection.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"

namespace engine {

struct EngineTestSeam;

// The maker's addresses, shown in the About box and opened by the homepage.
inline constexpr char kMakerWebAddress[] = "http://www.velmora.org/";
inline constexpr char kMakerMail[] = "velmora@velmora.org";

// The menu, dialogs and bitmap of the engine's resources.
inline constexpr unsigned kTrayMenuId = 120;
inline constexpr unsigned kAboutDialogId = 105;
inline constexpr unsigned kAboutBitmapId = 107;
inline constexpr unsigned kFreewareDialogId = 119;
// The About box's web address button.
inline constexpr int kAboutWebButtonId = 1026;

// Tray menu commands.
inline constexpr int kTrayAbout = 40003;
inline constexpr int kTrayHomepage = 40004;
inline constexpr int kTrayHelpIndex = 40005;
inline constexpr int kTrayAudioSetup = 40006;
inline constexpr int kTrayPluginManager = 40007;
inline constexpr int kTrayUpdate = 40008;

// The help page the help index request opens.
inline constexpr char kHelpIndexPage[] = "main.html";

// The message of a failed open of a web address: "Failed to open %s!" with the part
// of target after its last separator, and the reason for shell results that
// have one.
std::string shellFailureText(const std::string& target, int shellResult);

// How web addresses are opened: the shell's open in a folder, answering a
// result above 32 on success. Replaceable (null: the platform's shell open),
// so that the failure paths can be exercised.
using ShellOpenFunction = int (*)(const std::string& target, const std::string& folder);
void setShellOpener(ShellOpenFunction opener);

// What the engine shows of its own: the About box, the Audio System Setup,
// the Mixer Settings, the Plugin Manager and the update dialog, the tray
// menu, the help index and the maker's web page. Each opens on the thread
// that asks for it and is modal there.
class EngineShell {
public:
    EngineShell(AudioCore& audio, PluginSlots& slots, EngineHost& host, SettingsSection& settings,
                const StartedProgram& program);
    // Destroys the tray menu.
    ~EngineShell();
    EngineShell(const EngineShell&) = delete;
    EngineShell& operator=(const EngineShell&) = delete;

    // The tray menu: the first pop-up of menu 120, kept until destruction.
    void loadTrayMenu();

    // The about request: the About box, then the freeware notice.
    int32_t openAbout(plat::ui::WindowHandle owner);
    // The homepage request and the About box's button: the maker's web page.
    int32_t openHomepage();
    // Opens an address with the shell in the program folder; a failure is
    // shown in a stop message naming the reason. False when it failed.
    bool openWebAddress(const std::string& target);
    // The help index request.
    int32_t openHelpIndex();
    // The tray notification request: a mouse message forwarded from the tray icon.
    int32_t trayNotification(const EngineRequest& request);
    // The audio system setup request and tray item 40006; the mixer settings request.
    int32_t openAudioSetup(plat::ui::WindowHandle owner);
    int32_t openMixerSettings(plat::ui::WindowHandle owner);
    // The plug-in manager request and tray item 40007; tray item 40008.
    int32_t openPluginManager(plat::ui::WindowHandle owner);
    int32_t openUpdateDialog(plat::ui::WindowHandle owner);

    // What the dialogs read.
    PluginSlots& slots() { return slots_; }
    SettingsSection& settings() { return settings_; }
    const std::string& programFolder() const { return program_.folder; }

private:
    friend struct EngineTestSeam;

    AudioCore& audio_;
    PluginSlots& slots_;
    EngineHost& host_;
    SettingsSection& settings_;
    const StartedProgram& program_;

    // The tray menu: the first pop-up of menu 120 (owned by trayMenuBar).
    plat::ui::MenuHandle trayMenuBar = nullptr;
    plat::ui::MenuHandle trayMenu = nullptr;
};

} // namespace engine
