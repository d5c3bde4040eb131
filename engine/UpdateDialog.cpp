#include "engine/UpdateDialog.h"

#include <strings.h>

#include "api/Protocol.h"
#include "engine/EngineResources.h"
#include "engine/EngineShell.h"
#include "engine/ProxyDialog.h"
#include "platform/core/Files.h"
#include "platform/core/Handle.h"
#include "platform/core/Notice.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/Product.h"

namespace engine {

namespace {

using namespace plat::ui;
using Self = UpdateDialog;

const DialogItemTemplate kItems[] = {
    {"STATIC", "", Self::kIdStatus, 7, 7, 266, 9, kItemStyleChild | kStaticLeft | kStaticNoPrefix},
    {"LISTBOX", "", Self::kIdUpdates, 7, 20, 266, 82,
     kItemStyleChild | kStyleBorder | kStyleTabStop | kStyleGroup | kStyleDisabled | kListNotify},
    {"BUTTON", "&Download", Self::kIdDownload, 81, 109, 56, 14,
     kItemStyleChild | kButtonPush | kStyleTabStop | kStyleGroup | kStyleDisabled},
    {"BUTTON", "&Close", Self::kIdClose, 143, 109, 56, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop},
};

const DialogTemplate kTemplate{Self::kTemplateId,
                               "Velmora Audio Engine Update",
                               kDialogStyleStandard,
                               0,
                               0,
                               0,
                               280,
                               130,
                               nullptr,
                               8,
                               kItems};

DialogRegistrar registrar(kTemplate);

// How a response that is no description is shown.
constexpr uint32_t kNotDescriptionStyle =
    plat::kNoticeOk | plat::kNoticeIconStop | plat::kNoticeTaskModal | plat::kNoticeTopmost;

bool isWebPage(const char* address)
{
    return strncasecmp(address, "http://", 7) == 0 || strncasecmp(address, "https://", 8) == 0;
}

std::string withoutTrailingSlash(std::string address)
{
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

} // namespace

UpdateDialog::UpdateDialog(EngineShell& shell, plat::ui::WindowHandle owner)
    : zkr::Dialog(kTemplateId, engineModule(), owner), shell_(shell)
{
    const SettingsSection::Held store = shell.settings().hold();
    zkr::Registry& settings = *store;
    char value[zkr::Registry::kValueSize] = {};
    settings.getString(kUpdateServerKey, "", value);
    server = value[0] != '\0' ? value : kUpdateServerAddress;
    const bool useProxy = settings.getInt(kUseProxyKey, 0) != 0;
    settings.getString(ProxyDialog::kProxyHostKey, "", value);
    if (useProxy)
        proxy = value;
}

UpdateDialog::~UpdateDialog()
{
    socket_.cancel();
    // An endless wait ends only once the worker has.
    static_cast<void>(socket_.waitForWorker(plat::kInfinite));
    removeDestination();
}

void UpdateDialog::removeDestination()
{
    if (destination.empty())
        return;
    (void)plat::deleteFile(destination);
    destination.clear();
}

std::string UpdateDialog::connectAddress(const std::string& configured)
{
    char host[zkr::HttpSocket::kTextSize];
    int32_t port = zkr::HttpSocket::kDefaultPort;
    if (!zkr::HttpSocket::parseAddress(configured.c_str(), host, port))
        return configured; // the worker names the fault
    return "http://" + std::string(host) + ":" + std::to_string(port);
}

std::string UpdateDialog::documentAddress(const std::string& configured)
{
    return withoutTrailingSlash(configured) + "/" + kUpdateDocument;
}

void UpdateDialog::onInitDialog()
{
    target_ = window;
    socket_.progress = &UpdateDialog::progress;
    socket_.progressContext = this;
    if (!proxy.empty())
        socket_.setProxy(proxy.c_str());
    // The worker opens the file again by its name, which stays ours: no one
    // else may remove or replace it in a sticky temporary folder.
    const plat::UniqueFd file(plat::createPrivateTempFile("qomupdate-", ".ini", destination));
    const int started = !file ? toWire(Error::WriteFailed)
                              : socket_.get(connectAddress(server).c_str(), documentAddress(server).c_str(),
                                            destination.c_str());
    // Reported like the worker's own errors: shown, then the dialog closes.
    if (started != 0)
        socket_.setError(started);
}

void UpdateDialog::progress(void* context, int code, const char* text)
{
    auto* self = static_cast<UpdateDialog*>(context);
    // A post fails only once the window is gone: then nobody is left to tell.
    switch (code) {
    case zkr::kHttpStatus: {
        {
            plat::ScopedLock lock(self->statusLock_);
            self->pendingStatus_ = text != nullptr ? text : "";
        }
        if (!self->statusPosted_.exchange(true))
            static_cast<void>(postMessage(self->target_, kMsgStatus, 0, 0));
        break;
    }
    case zkr::kHttpFailed:
        static_cast<void>(postMessage(self->target_, kMsgFailed, 0, 0));
        break;
    case zkr::kHttpFinished:
        static_cast<void>(postMessage(self->target_, kMsgEvaluate, 0, 0));
        break;
    default:
        break;
    }
}

intptr_t UpdateDialog::onUserMessage(uint32_t message, intptr_t, uintptr_t)
{
    switch (message) {
    case kMsgStatus:
        showPendingStatus();
        return 1;
    case kMsgFailed:
        finished_ = true;
        removeDestination();
        finish();
        return 1;
    case kMsgEvaluate:
        finished_ = true;
        // Asked to close meanwhile: the list is not wanted any more.
        if (aborting_)
            finish();
        else
            evaluate();
        removeDestination();
        return 1;
    default:
        return 0;
    }
}

void UpdateDialog::showPendingStatus()
{
    statusPosted_.store(false);
    std::string text;
    {
        plat::ScopedLock lock(statusLock_);
        text = pendingStatus_;
    }
    // The abort notice stays until the worker has given up.
    if (!aborting_)
        static_cast<void>(setDlgItemText(window, kIdStatus, text.c_str()));
}

void UpdateDialog::finish()
{
    // A window already gone has ended its dialog anyway.
    if (window != nullptr)
        static_cast<void>(endDialog(window, kIdClose));
}

bool UpdateDialog::onClose()
{
    if (finished_)
        return true;
    if (!aborting_) {
        aborting_ = true;
        socket_.cancel();
        static_cast<void>(setDlgItemText(window, kIdStatus, engineString(kStringAborting).c_str()));
    }
    return false;
}

bool UpdateDialog::onCommand(uintptr_t wparam, intptr_t lparam)
{
    if (loWord(wparam) == kIdDownload && hiWord(wparam) == kButtonClicked) {
        download();
        return true;
    }
    return zkr::Dialog::onCommand(wparam, lparam);
}

void UpdateDialog::evaluate()
{
    const std::string plugins = shell_.programFolder() + "/Plugins";
    if (!update_.evaluate(destination.c_str(), plugins.c_str())) {
        const std::string statusLine = zkr::ApplicationUpdate::firstLine(destination.c_str());
        // Gone before the notice waits for the user.
        removeDestination();
        plat::showNotice(statusLine.c_str(), zkr::kProductTitle, kNotDescriptionStyle);
        return;
    }
    const int count = update_.newerCount();
    if (count == 0) {
        sendDlgItemMessage(window, kIdUpdates, kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(engineString(kStringNoUpdate).c_str()));
        return;
    }
    for (int i = 0; i < count; ++i) {
        const std::string line = zkr::ApplicationUpdate::offerLine(*update_.newerAt(i));
        sendDlgItemMessage(window, kIdUpdates, kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(line.c_str()));
    }
    sendDlgItemMessage(window, kIdUpdates, kMsgListSetCurSel, 0, 0);
    enableWindow(dialogItem(window, kIdUpdates), true);
    enableWindow(dialogItem(window, kIdDownload), true);
}

void UpdateDialog::download()
{
    // Lines stand for the offered entries alone, in their order.
    const auto selected = static_cast<int>(sendDlgItemMessage(window, kIdUpdates, kMsgListGetCurSel, 0, 0));
    const zkr::UpdateEntry* entry = selected >= 0 ? update_.newerAt(selected) : nullptr;
    if (entry == nullptr)
        return;
    // The address comes from the network: only a web page goes to the shell,
    // never a local file or program it would start.
    if (!isWebPage(entry->webAddress)) {
        plat::showNotice(shellFailureText(entry->webAddress, 0).c_str(), zkr::kProductTitle,
                         plat::kNoticeFailure);
        return;
    }
    shell_.openWebAddress(entry->webAddress);
}

} // namespace engine
