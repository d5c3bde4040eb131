#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/core/ThreadSafety.h"
#include "zkr/ApplicationUpdate.h"
#include "zkr/Dialog.h"
#include "zkr/HttpSocket.h"

namespace engine {

class EngineShell;

// The update server and where its description lies. The engine's section may
// name another server under kUpdateServerKey ("http://host[:port][/folder]").
inline constexpr char kUpdateServerAddress[] = "http://update.velmora.org";
inline constexpr char kUpdateServerKey[] = "UpdateServer";
inline constexpr char kUpdateDocument[] = "qomupdate.ini";
inline constexpr char kUseProxyKey[] = "UseProxy";

// "Velmora Audio Engine Update": downloads the update description on the
// socket's worker while it shows the worker's status, then lists the plug-ins
// with a newer version; "&Download" opens the chosen one's web address.
//
// Threads: the worker calls progress only. A status text is handed over
// under statusLock and announced by a posted message, and the end of the
// download is posted too, so the worker never waits for the window's thread
// (which waits for the worker when the dialog object goes). Everything else
// belongs to the window's thread.
class UpdateDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 117;
    static constexpr int kIdStatus = 1029;
    static constexpr int kIdUpdates = 1042;
    static constexpr int kIdDownload = 1043;
    static constexpr int kIdClose = plat::ui::kIdCancel;
    // Posted by the worker: the description is there; the download failed
    // or was cancelled; a new status text waits.
    static constexpr uint32_t kMsgEvaluate = 0x8005;
    static constexpr uint32_t kMsgFailed = 0x8006;
    static constexpr uint32_t kMsgStatus = 0x8007;

    // Reads the proxy settings and the server from the engine's section.
    UpdateDialog(EngineShell& shell, plat::ui::WindowHandle owner);
    // Cancels a download still running and waits for the worker.
    ~UpdateDialog() override;

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;
    // Refused while the worker runs: it is asked to give up, and the dialog
    // closes once it has.
    bool onClose() override;
    intptr_t onUserMessage(uint32_t message, intptr_t lparam, uintptr_t wparam) override;

    // The address the socket connects to (with its port, 80 when the
    // configured one has none) and the document's full address.
    static std::string connectAddress(const std::string& server);
    static std::string documentAddress(const std::string& server);

    // As read at construction.
    std::string server;
    std::string proxy; // empty: no proxy
    // The download's file, a new one of the user's own for each dialog
    // (plat::createPrivateTempFile): a fixed name in the shared temporary
    // folder could be taken by anyone first. Empty once removed again, after
    // the evaluation, a failure or at the latest when the dialog goes.
    std::string destination;

private:
    static void progress(void* context, int code, const char* text);
    void showPendingStatus();
    void evaluate();
    void download();
    void finish();
    void removeDestination();

    EngineShell& shell_;
    zkr::ApplicationUpdate update_;

    // Window thread only.
    bool finished_ = false; // the worker has reported its end
    bool aborting_ = false; // Close asked the worker to give up

    // The dialog's window for the worker's posts: set before the worker starts.
    plat::ui::WindowHandle target_ = nullptr;
    plat::AnnotatedMutex statusLock_;
    std::string pendingStatus_ GUARDED_BY(statusLock_);
    // Set by the worker when it posts kMsgStatus, cleared by the window's
    // thread before it reads the text: one post at a time.
    std::atomic<bool> statusPosted_{false};

    // Last, so that it goes first: its worker uses the fields above.
    zkr::HttpSocket socket_;
};

} // namespace engine
