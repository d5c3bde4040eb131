#include "platform/ui/DialogResponder.h"

#include <cstdio>
#include <mutex>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DialogBuilder.h"

namespace plat::ui {

namespace {

// The variable is read at each question, so a script or test that sets it
// after start-up is answered all the same.
class StandardResponder : public DialogResponder {
public:
    std::optional<int> dialogButton(WindowHandle dialog) override { return current().dialogButton(dialog); }
    PathAnswer filePath(const PathQuestion& question) override { return current().filePath(question); }
    PathAnswer folderPath(const PathQuestion& question) override { return current().folderPath(question); }
    std::optional<uintptr_t> menuChoice(MenuHandle menu) override { return current().menuChoice(menu); }

private:
    DialogResponder& current() { return headlessDefaultAnswers() ? headless_ : user_; }

    DialogResponder user_;
    HeadlessResponder headless_;
};

std::mutex& slotMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::shared_ptr<DialogResponder>& slot()
{
    // Never destroyed: threads may ask after exit has begun.
    static auto* installed = new std::shared_ptr<DialogResponder>;
    return *installed;
}

void tell(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace

std::optional<int> HeadlessResponder::dialogButton(WindowHandle dialog)
{
    tell(windowTitle(dialog) + ": " + detail::dialogTexts(dialog));
    const auto defId = static_cast<uintptr_t>(sendMessage(dialog, kMsgDialogGetDefId, 0, 0));
    if (hiWord(defId) == kDialogHasDefId && loWord(defId) != 0)
        return loWord(defId);
    if (dialogItem(dialog, kIdOk) != nullptr)
        return kIdOk;
    return std::nullopt;
}

PathAnswer HeadlessResponder::filePath(const PathQuestion& question)
{
    tell(question.title + ": " + question.folder + " (cancelled)");
    return {PathAnswer::Kind::Cancel, {}};
}

PathAnswer HeadlessResponder::folderPath(const PathQuestion& question)
{
    tell("Browse for Folder: " + question.title + " (cancelled)");
    return {PathAnswer::Kind::Cancel, {}};
}

std::optional<uintptr_t> HeadlessResponder::menuChoice(MenuHandle)
{
    return 0;
}

std::shared_ptr<DialogResponder> dialogResponder()
{
    std::lock_guard lock(slotMutex());
    if (!slot())
        slot() = std::make_shared<StandardResponder>();
    return slot();
}

std::shared_ptr<DialogResponder> installDialogResponder(std::shared_ptr<DialogResponder> responder)
{
    std::lock_guard lock(slotMutex());
    if (!responder)
        responder = std::make_shared<StandardResponder>();
    std::shared_ptr<DialogResponder> previous = std::move(slot());
    slot() = std::move(responder);
    return previous;
}

} // namespace plat::ui
