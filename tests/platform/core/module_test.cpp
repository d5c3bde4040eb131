#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/core/DynamicLibrary.h"
#include "platform/core/Module.h"

namespace fs = std::filesystem;

namespace {

int aFunctionOfTheTestProgram()
{
    return 7;
}

const void* addressOf(auto function)
{
    return reinterpret_cast<const void*>(function);
}

} // namespace

TEST(ModuleIdentity, AFunctionOfTheProgramBelongsToTheProgram)
{
    plat::ModuleInfo info;
    ASSERT_TRUE(plat::moduleOf(addressOf(&aFunctionOfTheTestProgram), info));
    EXPECT_EQ(info.handle, plat::programModule());
    EXPECT_NE(info.handle, nullptr);
    EXPECT_EQ(info.path, plat::programPath());
    EXPECT_TRUE(fs::equivalent(info.path, "/proc/self/exe"));
}

TEST(ModuleIdentity, AFunctionOfThePlatformLibraryBelongsToThatLibrary)
{
    plat::ModuleInfo info;
    ASSERT_TRUE(plat::moduleOf(addressOf(&plat::programPath), info));
    EXPECT_NE(info.handle, plat::programModule());
    ASSERT_FALSE(info.path.empty());
    EXPECT_EQ(info.path.front(), '/');
    EXPECT_EQ(fs::path(info.path).filename(), "libvelmoraplatform.so");
    EXPECT_TRUE(fs::equivalent(info.path, VELMORA_OUT_DIR "/libvelmoraplatform.so"));

    // Any address inside the library gives the same module.
    plat::ModuleInfo other;
    ASSERT_TRUE(plat::moduleOf(addressOf(&plat::moduleOf), other));
    EXPECT_EQ(other.handle, info.handle);
    EXPECT_EQ(other.path, info.path);
}

TEST(ModuleIdentity, ALibraryLoadedByNameHasAnAbsolutePath)
{
    plat::DynamicLibrary library;
    ASSERT_TRUE(library.load("libm.so.6"));
    plat::ModuleInfo info;
    ASSERT_TRUE(plat::moduleOf(library.symbol("cos"), info));
    ASSERT_FALSE(info.path.empty());
    EXPECT_EQ(info.path.front(), '/');
    EXPECT_EQ(fs::path(info.path).filename(), "libm.so.6");
}

TEST(ModuleIdentity, AddressesOutsideAnyModuleAreRefused)
{
    plat::ModuleInfo info;
    EXPECT_FALSE(plat::moduleOf(nullptr, info));
    int onTheStack = 0;
    EXPECT_FALSE(plat::moduleOf(&onTheStack, info));
}

TEST(ModuleIdentity, ProgramFolderIsTheProgramsFolderWithoutTrailingSlash)
{
    const std::string folder = plat::programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(folder + "/" + fs::path(plat::programPath()).filename().string(), plat::programPath());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(fs::path(plat::programPath()).filename(), "platform_core_tests");
}
