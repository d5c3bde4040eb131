#pragma once

#include <cstdint>
#include <string>

#include "zkr/Dialog.h"
#include "zkr/Registry.h"

namespace engine {

class SettingsSection;

// "Proxy Settings": the proxy's host and port, kept in the engine's section
// as "ProxyHost" ("http://host:port"). OK refuses a port that is no number
// from 1 to 65535 and leaves the dialog open; an accepted OK writes the key
// to the settings file at once.
class ProxyDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 118;
    static constexpr int kIdServer = 1036;
    static constexpr int kIdPort = 1037;
    static constexpr int32_t kDefaultPort = 8080;
    static constexpr char kProxyHostKey[] = "ProxyHost";

    // Works on the engine's section of the settings.
    ProxyDialog(SettingsSection& settings, plat::ui::WindowHandle owner);

    // Ends with kIdOk (the settings written) or kIdCancel; -1 when it could not be made.
    int runModal() override;
    void onInitDialog() override;

    // The port field's number; false when the text starts with no number
    // from 1 to 65535.
    static bool parsePort(const std::string& text, int32_t& port);

private:
    // A stored "http://host:port" split into its parts; host stays empty and
    // port kDefaultPort for what is not there or not usable.
    static void parseProxyHost(const std::string& stored, std::string& host, int32_t& port);
    // OK pressed: false keeps the dialog open.
    bool accept();
    static intptr_t procedure(plat::ui::WindowHandle window, uint32_t message, uintptr_t wparam,
                              intptr_t lparam);

    SettingsSection& settings_;
};

} // namespace engine
