#include "platform/ui/Resources.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/ui/Png.h"
#include "platform/ui/Surface.h"

namespace plat::ui {

namespace {

// Tables of every module that registered some, in registration order.
struct ResourceRegistry {
    std::mutex lock; // guards tables
    std::map<ModuleHandle, std::vector<const ResourceTable*>> tables;
};

// Never destroyed: modules unregister from their own static destructors,
// which may run after this library's at process exit.
ResourceRegistry& registry()
{
    static ResourceRegistry* const instance = new ResourceRegistry;
    return *instance;
}

ModuleHandle moduleOrProgram(ModuleHandle module)
{
    return module != nullptr ? module : programModule();
}

// Calls find(table) for each table of the module until one answers non-null.
template <typename Find> auto searchTables(ModuleHandle module, Find find) -> decltype(find(ResourceTable{}))
{
    ResourceRegistry& reg = registry();
    std::lock_guard guard(reg.lock);
    const auto entry = reg.tables.find(moduleOrProgram(module));
    if (entry == reg.tables.end())
        return nullptr;
    for (const ResourceTable* table : entry->second) {
        if (auto found = find(*table))
            return found;
    }
    return nullptr;
}

} // namespace

void registerResources(ModuleHandle module, const ResourceTable& table)
{
    ResourceRegistry& reg = registry();
    std::lock_guard guard(reg.lock);
    auto& list = reg.tables[moduleOrProgram(module)];
    if (std::find(list.begin(), list.end(), &table) == list.end())
        list.push_back(&table);
}

void unregisterResources(ModuleHandle module, const ResourceTable& table)
{
    ResourceRegistry& reg = registry();
    std::lock_guard guard(reg.lock);
    const auto entry = reg.tables.find(moduleOrProgram(module));
    if (entry == reg.tables.end())
        return;
    std::erase(entry->second, &table);
    if (entry->second.empty())
        reg.tables.erase(entry);
}

const char* findString(ModuleHandle module, unsigned id)
{
    return searchTables(module, [id](const ResourceTable& table) -> const char* {
        for (const StringResource& s : table.strings) {
            if (s.id == id && s.text != nullptr)
                return s.text;
        }
        return nullptr;
    });
}

bool loadString(ModuleHandle module, unsigned id, std::string& text)
{
    const char* found = findString(module, id);
    if (found == nullptr)
        return false;
    text = found;
    return true;
}

const ImageResource* findImage(ModuleHandle module, ImageKind kind, unsigned id)
{
    return searchTables(module, [kind, id](const ResourceTable& table) -> const ImageResource* {
        for (const ImageResource& image : table.images) {
            if (image.kind == kind && image.id == id)
                return &image;
        }
        return nullptr;
    });
}

bool loadImage(ModuleHandle module, ImageKind kind, unsigned id, Surface& image)
{
    const ImageResource* found = findImage(module, kind, id);
    return found != nullptr && loadPng(found->png, found->size, image);
}

bool loadBitmap(ModuleHandle module, unsigned id, Surface& image)
{
    return loadImage(module, ImageKind::Bitmap, id, image);
}

const DialogTemplate* findDialog(ModuleHandle module, unsigned id)
{
    return searchTables(module, [id](const ResourceTable& table) -> const DialogTemplate* {
        for (const DialogTemplate& dialog : table.dialogs) {
            if (dialog.id == id)
                return &dialog;
        }
        return nullptr;
    });
}

const MenuTemplate* findMenu(ModuleHandle module, unsigned id)
{
    return searchTables(module, [id](const ResourceTable& table) -> const MenuTemplate* {
        for (const MenuTemplate& menu : table.menus) {
            if (menu.id == id)
                return &menu;
        }
        return nullptr;
    });
}

} // namespace plat::ui
