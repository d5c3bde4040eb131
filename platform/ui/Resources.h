#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/core/Api.h"
#include "platform/core/Module.h"
#include "platform/ui/Window.h"

// Module resources: each deliverable registers a table of its own resources
// (string tables, embedded PNG bitmaps, icons and cursors, dialog templates,
// menus) under its module handle when it is loaded, and finds them again
// through that handle, so two deliverables may use the same ids. A module
// may register several tables (the build embeds its images in one, its code
// holds the rest). The tables are the module's own static data: they are
// never copied, and what a lookup answers is valid while the module is loaded.
namespace plat::ui {

class Surface;

struct StringResource {
    unsigned id = 0;
    const char* text = nullptr;
};

enum class ImageKind : uint8_t { Bitmap, Icon, Cursor };

// A PNG file embedded in the module.
struct ImageResource {
    ImageKind kind = ImageKind::Bitmap;
    unsigned id = 0;
    const unsigned char* png = nullptr;
    std::size_t size = 0;
    int hotspotX = 0; // cursors: the pixel that points
    int hotspotY = 0;
};

// Dialog template styles (DS_...); the rest of a dialog's or a control's
// style is the original platform's window styles (WS_...) and the control's
// own styles, with their original values.
inline constexpr uint32_t kDialogStyleAbsAlign = 0x1;
inline constexpr uint32_t kDialogStyleSysModal = 0x2;
inline constexpr uint32_t kDialogStyle3dLook = 0x4;
inline constexpr uint32_t kDialogStyleSetFont = 0x40;
inline constexpr uint32_t kDialogStyleModalFrame = 0x80;
inline constexpr uint32_t kDialogStyleControl = 0x400;
inline constexpr uint32_t kDialogStyleCentre = 0x800;
inline constexpr uint32_t kDialogStyleCentreMouse = 0x1000;
// The usual modal dialog: a centred pop-up with a caption and a system menu.
inline constexpr uint32_t kDialogStyleStandard =
    kStylePopup | kStyleCaption | kStyleSysMenu | kDialogStyleModalFrame | kDialogStyleCentre;
// A control of a template that shows with its dialog.
inline constexpr uint32_t kItemStyleChild = kStyleChild | kStyleVisible;

// One control of a dialog. Positions and sizes are in dialog units: a
// horizontal unit is a quarter of the dialog font's average character width,
// a vertical unit an eighth of its height.
struct DialogItemTemplate {
    const char* controlClass =
        nullptr; // "BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX", "SysTreeView32", ...
    const char* text = nullptr;
    int id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
};

struct DialogTemplate {
    unsigned id = 0;
    const char* caption = nullptr;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0; // dialog units
    int y = 0;
    int width = 0;
    int height = 0;
    const char* fontName = nullptr; // null: the default dialog font
    int fontPoints = 8;
    std::span<const DialogItemTemplate> items;
};

// Menu item flags (MF_...).
inline constexpr uint32_t kMenuGrayed = 0x1;
inline constexpr uint32_t kMenuDisabled = 0x2;
inline constexpr uint32_t kMenuChecked = 0x8;
inline constexpr uint32_t kMenuPopup = 0x10;
inline constexpr uint32_t kMenuSeparator = 0x800;
inline constexpr uint32_t kMenuDefault = 0x1000;

// A menu item; a pop-up has kMenuPopup and its items in popup.
struct MenuItemTemplate {
    unsigned id = 0;
    const char* text = nullptr; // null for a separator
    uint32_t flags = 0;
    std::span<const MenuItemTemplate> popup;
};

struct MenuTemplate {
    unsigned id = 0;
    std::span<const MenuItemTemplate> items;
};

struct ResourceTable {
    std::span<const StringResource> strings;
    std::span<const ImageResource> images;
    std::span<const DialogTemplate> dialogs;
    std::span<const MenuTemplate> menus;
};

// The table must outlive its registration. Registering the same table twice
// under a module counts once. Thread-safe.
PLAT_API void registerResources(ModuleHandle module, const ResourceTable& table);
PLAT_API void unregisterResources(ModuleHandle module, const ResourceTable& table);

// Lookups; a null module means the program. A module's tables are searched
// in the order they were registered.
PLAT_API const char* findString(ModuleHandle module, unsigned id); // null when none
[[nodiscard]] PLAT_API bool loadString(ModuleHandle module, unsigned id, std::string& text);
PLAT_API const ImageResource* findImage(ModuleHandle module, ImageKind kind, unsigned id);
// Decodes the image; false when there is none or it is not a readable PNG.
[[nodiscard]] PLAT_API bool loadImage(ModuleHandle module, ImageKind kind, unsigned id, Surface& image);
[[nodiscard]] PLAT_API bool loadBitmap(ModuleHandle module, unsigned id, Surface& image);
PLAT_API const DialogTemplate* findDialog(ModuleHandle module, unsigned id);
PLAT_API const MenuTemplate* findMenu(ModuleHandle module, unsigned id);

// Registers a table under the module that holds it for as long as the
// registrar lives: a static registrar in a deliverable's own code registers
// its resources when the deliverable is loaded and takes them away when it
// is unloaded.
//   static const plat::ui::ResourceTable kResources{...};
//   static plat::ui::ResourceRegistrar registrar(kResources);
class ResourceRegistrar {
public:
    explicit ResourceRegistrar(const ResourceTable& table) : table_(table)
    {
        ModuleInfo info;
        if (moduleOf(&table, info)) {
            module_ = info.handle;
            registerResources(module_, table_);
        }
    }
    ~ResourceRegistrar()
    {
        if (module_ != nullptr)
            unregisterResources(module_, table_);
    }
    ResourceRegistrar(const ResourceRegistrar&) = delete;
    ResourceRegistrar& operator=(const ResourceRegistrar&) = delete;
    ModuleHandle module() const { return module_; }

private:
    const ResourceTable& table_;
    ModuleHandle module_ = nullptr;
};

// The common case of a deliverable's dialog: a registrar of a table that
// holds one dialog template.
//   static plat::ui::DialogRegistrar registrar(kTemplate);
class DialogRegistrar {
public:
    explicit DialogRegistrar(const DialogTemplate& dialog) : table_{{}, {}, std::span(&dialog, 1), {}} {}

private:
    const ResourceTable table_;
    ResourceRegistrar registrar_{table_};
};

} // namespace plat::ui
