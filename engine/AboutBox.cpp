#include "engine/AboutBox.h"

#include "engine/EngineResources.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/Product.h"

namespace engine {

namespace {

using namespace plat::ui;

constexpr uint32_t kDialogStyle = kDialogStyleStandard | kDialogStyleSetFont;
constexpr uint32_t kText = kStyleVisible | kStaticCentre | kStaticNoPrefix;

const DialogItemTemplate kAboutItems[] = {
    {"STATIC", "#107", -1, 7, 7, AboutBox::kPictureWidth, AboutBox::kPictureHeight,
     kStyleVisible | kStaticBitmap | kStaticSunken | kStaticRealSizeImage},
    {"STATIC", zkr::kProductTitle, AboutBox::kIdTitle, 7, 96, 186, 9, kText},
    {"STATIC", "(c) 2000-2026 the Velmora developers", -1, 7, 106, 186, 9, kText},
    {"BUTTON", kMakerWebAddress, kAboutWebButtonId, 47, 118, 106, 12,
     kStyleVisible | kStyleTabStop | kButtonPush | kButtonFlat},
    {"BUTTON", "OK", kIdOk, 75, 136, 50, 14, kStyleVisible | kStyleTabStop | kButtonDefPush},
};

const DialogItemTemplate kFreewareItems[] = {
    {"STATIC", "", FreewareNotice::kIdText, 7, 7, 206, 58, kText},
    {"BUTTON", "&OK", kIdOk, 85, 70, 50, 14, kStyleVisible | kStyleTabStop | kButtonDefPush},
};

const DialogTemplate kDialogs[] = {
    {kAboutDialogId, "About", kDialogStyle, 0, 0, 0, 200, 157, "Tahoma", 8, kAboutItems},
    {kFreewareDialogId, "Velmora Audio Engine is Freeware", kDialogStyle, 0, 0, 0, 220, 91, "Tahoma", 8,
     kFreewareItems},
};

const ResourceTable kAboutResources{{}, {}, kDialogs, {}};
ResourceRegistrar aboutRegistrar(kAboutResources);

} // namespace

std::string freewareText()
{
    return std::string("Velmora Audio Engine is free for non-commercial use.\n\n"
                       "If you use it often, please think about a voluntary donation "
                       "to keep its development going.\n\nWrite to ") +
           kMakerMail;
}

FreewareNotice::FreewareNotice(plat::ui::WindowHandle owner)
    : zkr::Dialog(kFreewareDialogId, engineModule(), owner)
{
}

void FreewareNotice::onInitDialog()
{
    static_cast<void>(setDlgItemText(window, kIdText, freewareText().c_str()));
}

AboutBox::AboutBox(EngineShell& owningShell, plat::ui::WindowHandle owner)
    : zkr::Dialog(kAboutDialogId, engineModule(), owner), shell(owningShell)
{
}

bool AboutBox::onCommand(uintptr_t wparam, intptr_t)
{
    if (loWord(wparam) != kAboutWebButtonId)
        return false;
    shell.openHomepage();
    return true;
}

bool AboutBox::onClose()
{
    // OK, Cancel and the close box all end here: the notice comes first,
    // owned by the About box.
    FreewareNotice notice(window);
    // However it closes, the About box closes after it.
    static_cast<void>(notice.runModal());
    ++noticesShown;
    return true;
}

} // namespace engine
