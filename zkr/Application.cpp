#include "zkr/Application.h"

#include <cstdio>

#include "api/Protocol.h"
#include "platform/core/Notice.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace zkr {

Application* theApplication = nullptr;

namespace {

} // namespace

Application::Application()
{
    if (theApplication == nullptr)
        theApplication = this;
    settings.setFileName(kSettingsFile);
    // The store's failures are read from its returned statuses, never shown.
    settings.silent = true;
    settings.createMissingKeys = true;
}

Application::~Application()
{
    if (theApplication == this)
        theApplication = nullptr;
}

void Application::showError(int code, const char* text)
{
    if (text == nullptr)
        text = "";
    if (code > toWire(engine::Error::FirstMessage)) {
        plat::showNotice(text, kProductTitle, plat::kNoticeFailure);
        return;
    }
    SharedServices* services = sharedServices;
    if (services == nullptr) {
        // No error dialog without the shared services library: the failure
        // still reaches the user.
        char message[kObjectNameSize + 32];
        if (text[0] != '\0')
            std::snprintf(message, sizeof message, "Code %i: %s", code, text);
        else
            std::snprintf(message, sizeof message, "Code %i", code);
        plat::showNotice(message, kProductTitle, plat::kNoticeFailure);
        return;
    }
    char errorText[kErrorTextSize];
    errorText[0] = '\0';
    services->getErrorText(code, errorText);
    errorText[kErrorTextSize - 1] = '\0';
    services->showZKRError(code, text, errorText);
}

void Application::showHelp(int topic, int)
{
    if (helpPage != nullptr && sharedServices != nullptr && sharedServices->handleZKRHelp != nullptr)
        sharedServices->handleZKRHelp(helpPage, topic, 0, 0);
}

Registry* settingsSection(const char* section)
{
    // A section that could not be kept would leave another one current.
    if (theApplication == nullptr || theApplication->settings.selectSection(section, true) != 0)
        return nullptr;
    return &theApplication->settings;
}

} // namespace zkr
