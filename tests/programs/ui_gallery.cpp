// The standard controls, a skinned shaped window, a pop-up menu and a
// message box, each saved as a PNG picture: ui_gallery [folder]
// (docs/ by default). Runs on the headless backend unless VELMORA_UI says
// otherwise; with --interactive the dialog stays open until closed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ui/Dialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Region.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Surface.h"
#include "platform/ui/Window.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/headless/Headless.h"

using namespace plat::ui;

namespace {

enum : int {
    kPush = 101,
    kDefault,
    kFlat,
    kCheck,
    kRadio1,
    kRadio2,
    kEdit = 110,
    kReadOnly,
    kNumber,
    kCentred,
    kCombo = 120,
    kList,
    kTree,
    kProgress,
    kPicture,
};

constexpr uint32_t kVisible = kStyleVisible;
constexpr uint32_t kTab = kStyleTabStop;

const DialogItemTemplate kGalleryItems[] = {
    {"BUTTON", "Buttons", -1, 7, 5, 134, 86, kVisible | kButtonGroupBox},
    {"BUTTON", "&Push", kPush, 14, 18, 56, 14, kVisible | kTab | kStyleGroup | kButtonPush},
    {"BUTTON", "&Default", kDefault, 78, 18, 56, 14, kVisible | kTab | kButtonDefPush},
    {"BUTTON", "www.velmora.example", kFlat, 14, 36, 120, 14, kVisible | kTab | kButtonPush | kButtonFlat},
    {"BUTTON", "&Check box", kCheck, 14, 54, 60, 10, kVisible | kTab | kButtonAutoCheckBox},
    {"BUTTON", "Radio &1", kRadio1, 14, 70, 50, 10, kVisible | kTab | kStyleGroup | kButtonAutoRadio},
    {"BUTTON", "Radio &2", kRadio2, 78, 70, 50, 10, kVisible | kButtonAutoRadio},
    {"BUTTON", "Text", -1, 147, 5, 146, 86, kVisible | kStyleGroup | kButtonGroupBox},
    {"STATIC", "&Name:", -1, 154, 19, 40, 8, kVisible | kStaticLeft},
    {"EDIT", "Editable text", kEdit, 196, 17, 90, 12, kVisible | kTab | kEditAutoHScroll},
    {"STATIC", "Address:", -1, 154, 35, 40, 8, kVisible | kStaticLeft},
    {"EDIT", "read-only, centred", kReadOnly, 196, 33, 90, 12, kVisible | kTab | kEditReadOnly | kEditCentre},
    {"STATIC", "Number:", -1, 154, 51, 40, 8, kVisible | kStaticLeft},
    {"EDIT", "12345", kNumber, 196, 49, 90, 12, kVisible | kTab | kEditNumber},
    {"STATIC", "Centred static text that wraps onto a second line", kCentred, 154, 66, 132, 20,
     kVisible | kStaticCentre},
    {"STATIC", "Music Buffer Size:", -1, 7, 99, 64, 8, kVisible | kStaticLeft},
    {"COMBOBOX", "", kCombo, 74, 97, 67, 80, kVisible | kTab | kStyleGroup | kComboDropDownList},
    {"LISTBOX", "", kList, 7, 115, 134, 56, kVisible | kTab | kListNotify},
    {"SysTreeView32", "", kTree, 147, 97, 146, 74,
     kVisible | kTab | kTreeHasButtons | kTreeHasLines | kTreeLinesAtRoot | kTreeShowSelAlways},
    {"msctls_progress32", "", kProgress, 7, 178, 134, 10, kVisible},
    {"STATIC", "", kPicture, 147, 176, 40, 14,
     kVisible | kStaticBitmap | kStaticSunken | kStaticRealSizeImage},
    {"BUTTON", "OK", kIdOk, 189, 176, 50, 14, kVisible | kTab | kStyleGroup | kButtonPush},
    {"BUTTON", "Cancel", kIdCancel, 243, 176, 50, 14, kVisible | kTab | kButtonPush},
};

const DialogTemplate kGalleryDialog{
    1, "Velmora controls", kDialogStyleStandard | kDialogStyleSetFont, 0, 0, 0, 300, 196, "MS Sans Serif",
    8, kGalleryItems};

const ResourceTable kResources{{}, {}, std::span(&kGalleryDialog, 1), {}};
ResourceRegistrar registrar(kResources);

Surface picture;

TreeItem addTreeItem(WindowHandle tree, TreeItem parent, const char* text, intptr_t data)
{
    TreeInsertRecord record;
    record.parent = parent;
    record.insertAfter = kTreeLast;
    record.item.mask = kTreeItemText | kTreeItemParam;
    record.item.text = const_cast<char*>(text);
    record.item.param = data;
    return static_cast<TreeItem>(
        sendMessage(tree, kMsgTreeInsertItem, 0, reinterpret_cast<intptr_t>(&record)));
}

intptr_t galleryProc(WindowHandle dialog, uint32_t message, uintptr_t wparam, intptr_t)
{
    if (message == kMsgInitDialog) {
        for (int size = 1024; size <= 32768; size *= 2)
            sendDlgItemMessage(dialog, kCombo, kMsgComboAddString, 0,
                               reinterpret_cast<intptr_t>(std::to_string(size).c_str()));
        sendDlgItemMessage(dialog, kCombo, kMsgComboSetCurSel, 2, 0);
        for (const char* name : {"Tindle.vin", "Quillan.vin", "PlevNT.vin", "Brolet.vwo", "VelmoraEQ.vfx",
                                 "Halvern.vfx", "Velmorizer.vfx"})
            sendDlgItemMessage(dialog, kList, kMsgListAddString, 0, reinterpret_cast<intptr_t>(name));
        sendDlgItemMessage(dialog, kList, kMsgListSetCurSel, 1, 0);
        WindowHandle tree = dialogItem(dialog, kTree);
        TreeItem root = addTreeItem(tree, kTreeRoot, "Velmora Open System", 0);
        TreeItem inputs = addTreeItem(tree, root, "Audio Input Plugins", 0);
        addTreeItem(tree, inputs, "Tindle.vin *", 1);
        addTreeItem(tree, inputs, "Quillan.vin", 2);
        TreeItem outputs = addTreeItem(tree, root, "Audio Output Plugins", 0);
        addTreeItem(tree, outputs, "Brolet.vwo", 3);
        addTreeItem(tree, root, "Realtime Effects", 0);
        sendMessage(tree, kMsgTreeExpand, kTreeExpandIt, root);
        sendMessage(tree, kMsgTreeExpand, kTreeExpandIt, inputs);
        sendMessage(tree, kMsgTreeSelectItem, kTreeCaret, addTreeItem(tree, outputs, "Dummy.vwo", 4));
        sendMessage(tree, kMsgTreeSelectItem, kTreeCaret, inputs);
        sendDlgItemMessage(dialog, kProgress, kMsgProgressSetPos, 60, 0);
        (void)checkDlgButton(dialog, kCheck, kButtonChecked);
        (void)checkDlgButton(dialog, kRadio1, kButtonChecked);
        picture.reset(36, 22, rgb(0x20, 0x30, 0x60));
        Painter p(picture);
        for (int x = 0; x < 36; x += 4)
            p.fillRect({x, 22 - (x * 7 % 20) - 2, x + 3, 22}, rgb(0x40, 0xD0, 0x60));
        sendDlgItemMessage(dialog, kPicture, kMsgStaticSetImage, kImageBitmap,
                           reinterpret_cast<intptr_t>(&picture));
        setFocus(dialogItem(dialog, kDefault));
        return 0;
    }
    if (message == kMsgCommand && (loWord(wparam) == kIdOk || loWord(wparam) == kIdCancel)) {
        (void)endDialog(dialog, loWord(wparam));
        return 1;
    }
    return 0;
}

// ---- the skinned window ----------------------------------------------------------------------

constexpr int kSkinWidth = 320;
constexpr int kSkinHeight = 120;

Region skinShape()
{
    // A rounded plate: the corners are cut in steps.
    Region shape(Rect{0, 0, kSkinWidth, kSkinHeight});
    const int cut[] = {10, 7, 5, 4, 3, 2, 2, 1, 1, 1};
    for (int row = 0; row < 10; ++row) {
        shape = shape.subtract(Rect{0, row, cut[row], row + 1});
        shape = shape.subtract(Rect{kSkinWidth - cut[row], row, kSkinWidth, row + 1});
        shape = shape.subtract(Rect{0, kSkinHeight - 1 - row, cut[row], kSkinHeight - row});
        shape =
            shape.subtract(Rect{kSkinWidth - cut[row], kSkinHeight - 1 - row, kSkinWidth, kSkinHeight - row});
    }
    return shape;
}

void paintSkin(Painter& p)
{
    for (int y = 0; y < kSkinHeight; ++y) {
        auto shade = static_cast<uint8_t>(0x50 - y * 0x30 / kSkinHeight);
        p.fillRect({0, y, kSkinWidth, y + 1}, rgb(shade, shade, static_cast<uint8_t>(shade + 0x18)));
    }
    // Outside the shape the picture is white, as the skins' masks have it.
    Region outside = Region(Rect{0, 0, kSkinWidth, kSkinHeight}).subtract(skinShape());
    p.fillRegion(outside, kWhite);
    p.setBackgroundMode(BackgroundMode::Transparent);
    p.setTextColour(fromColorRef(0x00FF00));
    p.drawText("Velmora Audio Engine", Rect{0, 8, kSkinWidth, 28}, kTextCentre | kTextSingleLine);
    // Ten meters of 8 x 101 pixels would not fit; three small ones show the idea.
    for (int meter = 0; meter < 10; ++meter) {
        Rect well = Rect::fromSize(20 + meter * 28, 36, 8, 70);
        p.fillRect(well, kBlack);
        int lit = 10 + (meter * 37) % 60;
        p.fillRect({well.left, well.bottom - lit, well.right, well.bottom}, fromColorRef(0x00FF00));
    }
}

intptr_t skinProc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam)
{
    if (message == kMsgPaint) {
        PaintInfo info;
        if (Painter* p = beginPaint(window, info)) {
            paintSkin(*p);
            (void)endPaint(window, info);
        }
        return 0;
    }
    if (message == kMsgEraseBackground)
        return 1;
    return defWindowProc(window, message, wparam, lparam);
}

// ---- the menu and the message box, pictured from inside their loops -------------------------

struct Shot {
    std::string path;
    int step = 0;
    MenuHandle menu = nullptr;
    bool saved = false;
};

void menuHook(WindowHandle modal, int, void* context)
{
    auto* shot = static_cast<Shot*>(context);
    if (shot->step == 0) {
        Rect item;
        if (menuItemRect(shot->menu, 3, item)) {
            Rect place;
            if (windowRect(modal, place))
                headless::mouseMove(modal, item.left - place.left + 20, item.top - place.top + 4);
        }
        shot->step = 1;
        return;
    }
    if (shot->step == 1) {
        shot->saved = headless::savePng(modal, shot->path);
        shot->step = 2;
        (void)endMenu();
    }
}

void messageBoxHook(WindowHandle modal, int, void* context)
{
    auto* shot = static_cast<Shot*>(context);
    if (shot->step == 0) {
        shot->saved = headless::savePng(modal, shot->path);
        shot->step = 1;
        (void)pressDialogButton(modal, kIdNo);
    }
}

bool report(bool ok, const std::string& path)
{
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    bool interactive = false;
    std::string folder = "docs";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--interactive") == 0)
            interactive = true;
        else
            folder = argv[i];
    }
    if (!interactive)
        setenv("VELMORA_UI", "headless", 0);
    plat::ModuleInfo self;
    (void)plat::moduleOf(&kResources, self); // its own data: always found

    if (interactive) {
        intptr_t answer = dialogBoxParam(self.handle, 1, nullptr, &galleryProc, 0);
        std::printf("dialog ended with %ld\n", static_cast<long>(answer));
        return 0;
    }

    bool ok = true;
    WindowHandle dialog = createDialogParam(self.handle, 1, nullptr, &galleryProc, 0);
    if (dialog == nullptr) {
        std::fprintf(stderr, "the gallery dialog could not be made\n");
        return 1;
    }
    showWindow(dialog, kShowNormal);
    setFocus(dialogItem(dialog, kDefault));
    ok &= report(headless::savePng(dialog, folder + "/ui-gallery-dialog.png"),
                 folder + "/ui-gallery-dialog.png");

    WindowClass skinClass;
    skinClass.procedure = &skinProc;
    skinClass.name = "VelmoraGallerySkin";
    skinClass.module = self.handle;
    (void)registerClass(skinClass); // a refused class shows as a failed window below
    WindowHandle skin = createWindow(kExStyleToolWindow, "VelmoraGallerySkin", "Skinned window", kStylePopup,
                                     100, 100, kSkinWidth, kSkinHeight, nullptr, 0, self.handle, nullptr);
    Region shape = skinShape();
    (void)setWindowRegion(skin, &shape, false);
    showWindow(skin, kShowNormal);
    ok &= report(headless::savePng(skin, folder + "/ui-gallery-skinned.png"),
                 folder + "/ui-gallery-skinned.png");

    MenuHandle menu = createPopupMenu();
    MenuHandle more = createPopupMenu();
    (void)appendMenu(more, kMenuString, 50, "Audio &Input Plugins");
    (void)appendMenu(more, kMenuString | kMenuChecked, 51, "&Realtime Effects");
    (void)appendMenu(menu, kMenuString, 40003, "&About...");
    (void)appendMenu(menu, kMenuString, 40005, "&HTMLHelp Index");
    (void)appendMenu(menu, kMenuSeparator, 0, nullptr);
    (void)appendMenu(menu, kMenuPopup, reinterpret_cast<uintptr_t>(more), "&Plug-ins");
    (void)appendMenu(menu, kMenuString | kMenuChecked, 40009, "&Always on top");
    (void)appendMenu(menu, kMenuString | kMenuGrayed, 40008, "&Update Velmora");
    (void)appendMenu(menu, kMenuSeparator, 0, nullptr);
    (void)appendMenu(menu, kMenuString, 40006, "&Audio System Setup...");
    Shot menuShot{folder + "/ui-gallery-menu.png", 0, more};
    menuShot.menu = menu;
    setModalHook(&menuHook, &menuShot);
    (void)trackPopupMenu(menu, kTrackReturnCommand, 400, 300, skin);
    ok &= report(menuShot.step == 2 && menuShot.saved, menuShot.path);
    (void)destroyMenu(menu);

    Shot boxShot{folder + "/ui-gallery-messagebox.png", 0, nullptr};
    setModalHook(&messageBoxHook, &boxShot);
    int answer = messageBox(dialog, "Streaming is running.\nDo you want to stop it and quit?",
                            "Velmora Audio Engine v0.1b", plat::kNoticeYesNo | plat::kNoticeIconQuestion);
    ok &= report(boxShot.step == 1 && boxShot.saved && answer == kIdNo, boxShot.path);
    setModalHook(nullptr, nullptr);

    (void)destroyWindow(skin);
    (void)destroyWindow(dialog);
    return ok ? 0 : 1;
}
