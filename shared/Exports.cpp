#include <cstdint>

#include "shared/Services.h"
#include "zkr/SharedServices.h"

// The exported functions, bound by name by every deliverable.
extern "C" {

__attribute__((visibility("default"))) char* GetErrorText(int code, char* buffer)
{
    return shared::getErrorText(code, buffer);
}

__attribute__((visibility("default"))) int ShowZKRError(int code, const char* context, const char* errorText)
{
    return shared::showZKRError(code, context, errorText);
}

__attribute__((visibility("default"))) int ShowSplashWindow()
{
    return shared::showSplashWindow();
}

__attribute__((visibility("default"))) int CloseSplashWindow()
{
    return shared::closeSplashWindow();
}

__attribute__((visibility("default"))) int UpdateSplashText(const char* text)
{
    return shared::updateSplashText(text);
}

__attribute__((visibility("default"))) int HandleZKRHelp(const char* page, intptr_t anchor, int anchorIsText,
                                                         intptr_t /*spare*/)
{
    return shared::handleZKRHelp(page, anchor, anchorIsText != 0) ? 1 : 0;
}

__attribute__((visibility("default"))) int SetVelmoraTrayIcon(intptr_t window, uint32_t callbackMessage, int show)
{
    return shared::setVelmoraTrayIcon(window, callbackMessage, show);
}

} // extern "C"

namespace {

// The contents page is written once, when the library enters the process.
__attribute__((constructor)) void buildContentsOnLoad()
{
    shared::buildHelpContents();
}

// Each export's type is the one the deliverables bind it with.
[[maybe_unused]] constexpr zkr::GetErrorTextFunction kCheckGetErrorText = GetErrorText;
[[maybe_unused]] constexpr zkr::ShowZKRErrorFunction kCheckShowZKRError = ShowZKRError;
[[maybe_unused]] constexpr zkr::ShowSplashWindowFunction kCheckShowSplashWindow = ShowSplashWindow;
[[maybe_unused]] constexpr zkr::CloseSplashWindowFunction kCheckCloseSplashWindow = CloseSplashWindow;
[[maybe_unused]] constexpr zkr::UpdateSplashTextFunction kCheckUpdateSplashText = UpdateSplashText;
[[maybe_unused]] constexpr zkr::HandleZKRHelpFunction kCheckHandleZKRHelp = HandleZKRHelp;
[[maybe_unused]] constexpr zkr::SetVelmoraTrayIconFunction kCheckSetVelmoraTrayIcon = SetVelmoraTrayIcon;

} // namespace
