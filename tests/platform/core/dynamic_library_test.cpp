#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>

#include "platform/core/DynamicLibrary.h"
#include "support/TempFolder.h"

using plat::DynamicLibrary;
using plat::LoadError;
using velmora::test::TempFolder;

namespace {

using Cosine = double (*)(double);
constexpr const char* kMathLibrary = "libm.so.6";

} // namespace

TEST(DynamicLibraryLoad, LoadsALibraryAndCallsItsExport)
{
    DynamicLibrary library;
    ASSERT_TRUE(library.load(kMathLibrary)) << library.errorText();
    EXPECT_TRUE(library.isLoaded());
    EXPECT_EQ(library.lastError(), LoadError::None);
    EXPECT_EQ(library.path(), kMathLibrary);
    Cosine cosine = library.function<Cosine>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
}

TEST(DynamicLibraryLoad, MissingFileIsNotFound)
{
    TempFolder folder;
    DynamicLibrary library;
    for (const std::string& path :
         {folder.file("Plugins/Missing.vin"), std::string("libvelmora-missing.so.9")}) {
        EXPECT_FALSE(library.load(path)) << path;
        EXPECT_EQ(library.lastError(), LoadError::NotFound) << path;
        EXPECT_FALSE(library.errorText().empty()) << path;
    }
    // An empty name would otherwise give the program itself.
    EXPECT_FALSE(library.load(""));
    EXPECT_EQ(library.lastError(), LoadError::NotFound);
    EXPECT_EQ(library.symbol("main"), nullptr);
}

TEST(DynamicLibraryLoad, FileThatIsNoLibraryFailsWithTheLoadersText)
{
    TempFolder folder;
    const std::string text = folder.file("Notes.vfx");
    std::ofstream(text) << "not a shared object\n";
    DynamicLibrary library;
    EXPECT_FALSE(library.load(text));
    EXPECT_EQ(library.lastError(), LoadError::Failed);
    EXPECT_NE(library.errorText().find(text), std::string::npos) << library.errorText();

    // A folder is there too, but no library either.
    EXPECT_FALSE(library.load(folder.path()));
    EXPECT_EQ(library.lastError(), LoadError::Failed);
}

TEST(DynamicLibrarySymbols, OnlyTheLibrarysOwnExportsAreFound)
{
    DynamicLibrary library;
    ASSERT_TRUE(library.load(kMathLibrary));
    EXPECT_EQ(library.symbol("velmora_no_such_export"), nullptr);
    EXPECT_EQ(library.symbol(nullptr), nullptr);
    // libm depends on the C library; its exports are not libm's.
    EXPECT_EQ(library.symbol("printf"), nullptr);
    EXPECT_NE(library.symbol("sqrt"), nullptr);
}

TEST(DynamicLibraryOwnership, ReleaseReloadAndMove)
{
    DynamicLibrary first;
    ASSERT_TRUE(first.load(kMathLibrary));
    // A failed load releases what was loaded before.
    EXPECT_FALSE(first.load("/nonexistent/Tindle.vin"));
    EXPECT_FALSE(first.isLoaded());
    EXPECT_EQ(first.symbol("cos"), nullptr);
    // A success after a failure forgets the failure.
    ASSERT_TRUE(first.load(kMathLibrary));
    EXPECT_EQ(first.lastError(), LoadError::None);
    EXPECT_TRUE(first.errorText().empty());
    first.release();
    first.release(); // twice is harmless
    EXPECT_FALSE(first.isLoaded());

    ASSERT_TRUE(first.load(kMathLibrary));
    DynamicLibrary second(std::move(first));
    EXPECT_FALSE(first.isLoaded());
    EXPECT_TRUE(first.path().empty());
    EXPECT_EQ(second.path(), kMathLibrary);

    DynamicLibrary third;
    ASSERT_TRUE(third.load(kMathLibrary));
    third = std::move(second); // drops its own reference, takes second's
    EXPECT_FALSE(second.isLoaded());
    Cosine cosine = third.function<Cosine>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
}
