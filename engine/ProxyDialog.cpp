#include "engine/ProxyDialog.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "engine/EngineResources.h"
#include "engine/SettingsSection.h"
#include "platform/core/Notice.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/HttpSocket.h"
#include "zkr/Product.h"

namespace engine {

namespace {

using namespace plat::ui;
using Self = ProxyDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeft;
constexpr uint32_t kEdit = kItemStyleChild | kStyleBorder | kStyleTabStop | kEditAutoHScroll;
constexpr int32_t kHighestPort = 65535;
// What "http://" and ":65535" add around the host in the stored value.
constexpr int kServerLimit = zkr::Registry::kValueSize - 1 - 13;

const DialogItemTemplate kItems[] = {
    {"STATIC", "Proxy &Server:", -1, 7, 9, 50, 9, kLabel},
    {"EDIT", "", Self::kIdServer, 60, 7, 133, 12, kEdit | kStyleGroup},
    {"STATIC", "P&ort:", -1, 7, 26, 50, 9, kLabel},
    {"EDIT", "", Self::kIdPort, 60, 24, 40, 12, kEdit | kEditNumber | kStyleGroup},
    {"STATIC", "Won't work when proxy authentication is required!", -1, 7, 43, 186, 9, kLabel},
    {"BUTTON", "OK", kIdOk, 41, 59, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
    {"BUTTON", "Cancel", kIdCancel, 109, 59, 50, 14, kItemStyleChild | kButtonPush | kStyleTabStop},
};

const DialogTemplate kTemplate{
    Self::kTemplateId, "Proxy Settings", kDialogStyleStandard, 0, 0, 0, 200, 80, nullptr, 8, kItems};

DialogRegistrar registrar(kTemplate);

} // namespace

ProxyDialog::ProxyDialog(SettingsSection& settings, plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, engineModule(), owner), settings_(settings)
{
}

int ProxyDialog::runModal()
{
    // OK must be able to refuse, which the framework's close path cannot:
    // it asks onClose alike for OK, Cancel and the close box.
    modeless = false;
    return static_cast<int>(dialogBoxParam(module, templateId, parent, &ProxyDialog::procedure,
                                           reinterpret_cast<intptr_t>(this)));
}

intptr_t ProxyDialog::procedure(plat::ui::WindowHandle window, uint32_t message, uintptr_t wparam,
                                intptr_t lparam)
{
    if (message == kMsgCommand && loWord(wparam) == kIdOk) {
        auto* self = static_cast<ProxyDialog*>(fromWindow(window));
        if (self != nullptr && !self->accept())
            return 1;
    }
    return windowProcedure(window, message, wparam, lparam);
}

void ProxyDialog::onInitDialog()
{
    char stored[zkr::Registry::kValueSize] = {};
    {
        settings_.hold()->getString(kProxyHostKey, "", stored);
    }
    std::string host;
    int32_t port = kDefaultPort;
    parseProxyHost(stored, host, port);
    sendDlgItemMessage(window, kIdServer, kMsgEditLimitText, kServerLimit, 0);
    static_cast<void>(setDlgItemText(window, kIdServer, host.c_str()));
    static_cast<void>(setDlgItemInt(window, kIdPort, port));
}

bool ProxyDialog::accept()
{
    int32_t port = 0;
    if (!parsePort(dlgItemText(window, kIdPort), port)) {
        plat::showNotice("Invalid port!", zkr::kProductTitle, plat::kNoticeFailure | plat::kNoticeTaskModal);
        return false;
    }
    const std::string host = dlgItemText(window, kIdServer);
    char value[zkr::Registry::kValueSize];
    std::snprintf(value, sizeof value, "http://%s:%i", host.c_str(), port);
    const SettingsSection::Held store = settings_.hold();
    static_cast<void>(store->setString(kProxyHostKey, value));
    static_cast<void>(store->saveSection());
    return true;
}

void ProxyDialog::parseProxyHost(const std::string& stored, std::string& host, int32_t& port)
{
    char server[zkr::HttpSocket::kTextSize];
    // A port no connection could use is shown as none stored.
    if (!zkr::HttpSocket::parseAddress(stored.c_str(), server, port, kDefaultPort))
        port = kDefaultPort;
    host = server;
}

bool ProxyDialog::parsePort(const std::string& text, int32_t& port)
{
    // Decimal only: a leading zero is no octal prefix in a port field.
    const char* start = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*start)))
        ++start;
    const char* digits = (*start == '+' || *start == '-') ? start + 1 : start;
    if (!std::isdigit(static_cast<unsigned char>(*digits)))
        return false;
    errno = 0;
    const long value = std::strtol(start, nullptr, 10);
    if (errno != 0 || value < 1 || value > kHighestPort)
        return false;
    port = static_cast<int32_t>(value);
    return true;
}

} // namespace engine
