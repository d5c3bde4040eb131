// Module resources: tables found through the module that registered them.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/Module.h"
#include "platform/ui/Png.h"
#include "platform/ui/Resources.h"
#include "platform/ui/Surface.h"

namespace plat::ui {
namespace {

// A 2 x 1 PNG: one red pixel, one green.
const unsigned char kTwoPixels[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x7b,
    0x40, 0xe8, 0xdd, 0x00, 0x00, 0x00, 0x0f, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8,
    0xcf, 0xc0, 0xc0, 0xf0, 0x9f, 0x01, 0x00, 0x07, 0xff, 0x01, 0xff, 0xb8, 0x04, 0x35, 0xe0,
    0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82,
};
const unsigned char kDamaged[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00};

const StringResource kStrings[] = {
    {100, "Velmora Audio Engine"},
    {101, "Plugin Manager"},
};
const ImageResource kImages[] = {
    {ImageKind::Bitmap, 200, kTwoPixels, sizeof kTwoPixels},
    {ImageKind::Icon, 201, kTwoPixels, sizeof kTwoPixels},
    {ImageKind::Bitmap, 202, kDamaged, sizeof kDamaged},
};
const DialogItemTemplate kSetupItems[] = {
    {"BUTTON", "OK", 1, 120, 100, 50, 14, 0x50010001},
    {"STATIC", "Buffer size:", -1, 7, 10, 60, 8, 0x50000000},
    {"EDIT", "", 1001, 70, 8, 40, 12, 0x50810080},
};
const DialogTemplate kDialogs[] = {
    {300, "Audio System Setup", kDialogStyleModalFrame | kDialogStyleCentre | kDialogStyleSetFont, 0, 0, 0,
     180, 120, "MS Sans Serif", 8, kSetupItems},
};
const MenuItemTemplate kPlugins[] = {
    {10, "Inputs", 0},
    {0, nullptr, kMenuSeparator},
    {11, "Outputs", kMenuGrayed},
};
const MenuItemTemplate kTrayItems[] = {
    {1, "About", 0},
    {0, "Plugins", kMenuPopup, kPlugins},
    {2, "Exit", kMenuDefault},
};
const MenuTemplate kMenus[] = {{400, kTrayItems}};

const ResourceTable kTable{kStrings, kImages, kDialogs, kMenus};
ResourceRegistrar registrar(kTable);

TEST(ResourcesTest, AModuleFindsWhatItRegistered)
{
    ASSERT_NE(registrar.module(), nullptr);
    EXPECT_EQ(registrar.module(), programModule());
    for (ModuleHandle module : {registrar.module(), ModuleHandle(nullptr)}) {
        std::string text;
        ASSERT_TRUE(loadString(module, 101, text));
        EXPECT_EQ(text, "Plugin Manager");
        EXPECT_EQ(findString(module, 102), nullptr);

        const DialogTemplate* dialog = findDialog(module, 300);
        ASSERT_NE(dialog, nullptr);
        EXPECT_STREQ(dialog->caption, "Audio System Setup");
        ASSERT_EQ(dialog->items.size(), 3u);
        EXPECT_STREQ(dialog->items[2].controlClass, "EDIT");
        EXPECT_EQ(dialog->items[2].id, 1001);
        EXPECT_EQ(findDialog(module, 301), nullptr);

        const MenuTemplate* menu = findMenu(module, 400);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->items.size(), 3u);
        EXPECT_EQ(menu->items[1].popup.size(), 3u);
        EXPECT_EQ(menu->items[1].popup[2].flags, kMenuGrayed);
    }
}

TEST(ResourcesTest, BitmapsAreDecodedAndKindsKeptApart)
{
    Surface image;
    ASSERT_TRUE(loadBitmap(nullptr, 200, image));
    EXPECT_EQ(image.size(), (Size{2, 1}));
    EXPECT_EQ(image.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), rgb(0, 255, 0));

    Surface kept(1, 1, kWhite);
    EXPECT_FALSE(loadBitmap(nullptr, 201, kept)); // 201 is an icon
    EXPECT_TRUE(loadImage(nullptr, ImageKind::Icon, 201, image));
    EXPECT_FALSE(loadBitmap(nullptr, 202, kept)); // not a readable picture
    EXPECT_EQ(kept.size(), (Size{1, 1}));
    ASSERT_NE(findImage(nullptr, ImageKind::Bitmap, 202), nullptr);
}

TEST(ResourcesTest, EachModuleHasItsOwnIds)
{
    // The platform library has no resources of its own.
    ModuleInfo platform;
    ASSERT_TRUE(moduleOf(reinterpret_cast<const void*>(&findString), platform));
    ASSERT_NE(platform.handle, programModule());
    EXPECT_EQ(findString(platform.handle, 100), nullptr);

    // Another module with the same id keeps its own text.
    static const int anotherModule = 0;
    const ModuleHandle other = &anotherModule;
    const StringResource otherStrings[] = {{100, "Halvern"}};
    const ResourceTable otherTable{otherStrings};
    registerResources(other, otherTable);
    registerResources(other, otherTable); // counts once
    EXPECT_STREQ(findString(other, 100), "Halvern");
    EXPECT_STREQ(findString(nullptr, 100), "Velmora Audio Engine");
    unregisterResources(other, otherTable);
    EXPECT_EQ(findString(other, 100), nullptr);
    EXPECT_STREQ(findString(nullptr, 100), "Velmora Audio Engine");
}

TEST(ResourcesTest, LaterTablesOfAModuleAddToTheFirst)
{
    const StringResource more[] = {{100, "shadowed"}, {150, "Mixer Settings"}};
    const ResourceTable moreTable{more};
    registerResources(nullptr, moreTable);
    EXPECT_STREQ(findString(nullptr, 150), "Mixer Settings");
    EXPECT_STREQ(findString(nullptr, 100), "Velmora Audio Engine"); // the first registered wins
    unregisterResources(nullptr, moreTable);
    EXPECT_EQ(findString(nullptr, 150), nullptr);
}

TEST(EmbeddedImagesTest, TheBuildEmbedsTheListedImages)
{
    Surface expected;
    ASSERT_TRUE(loadPngFile(VELMORA_SOURCE_DIR "/tests/platform/ui/res/two-tone.png", expected));
    Surface bitmap;
    ASSERT_TRUE(loadBitmap(programModule(), 9001, bitmap)) << "images.list is not embedded";
    EXPECT_TRUE(bitmap.samePixels(expected));
    EXPECT_EQ(bitmap.pixel(0, 0), kWhite);
    EXPECT_EQ(bitmap.pixel(1, 1), rgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(5, 3), rgb(0, 0, 255));

    EXPECT_TRUE(loadImage(nullptr, ImageKind::Icon, 9001, bitmap));
    const ImageResource* cursor = findImage(nullptr, ImageKind::Cursor, 9002);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->hotspotX, 2);
    EXPECT_EQ(cursor->hotspotY, 3);
    EXPECT_EQ(findImage(nullptr, ImageKind::Cursor, 9001), nullptr);
}

} // namespace
} // namespace plat::ui
