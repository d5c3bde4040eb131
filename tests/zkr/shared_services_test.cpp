#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "zkr/ErrorRecording.h"
#include "zkr/SharedServices.h"
#include "zkr/SharedServicesDouble.h"

namespace {

using velmora::test::isLoaded;
using velmora::test::kErrorNoticeStyle;
using velmora::test::Notice;
using velmora::test::NoticeRecorder;
using velmora::test::sharedServicesDouble;

class SharedServicesTest : public testing::Test {
protected:
    void TearDown() override { zkr::releaseSharedServices(); }

    NoticeRecorder notices;
    const std::string complete = sharedServicesDouble("complete");
    const std::string withoutTrayIcon = sharedServicesDouble("without-tray-icon");
    const std::string notALibrary = sharedServicesDouble("not-a-library");
};

TEST_F(SharedServicesTest, ExportNamesAreInTableOrder)
{
    const std::vector<std::string> expected = {"GetErrorText",      "ShowZKRError",     "ShowSplashWindow",
                                               "CloseSplashWindow", "UpdateSplashText", "HandleZKRHelp",
                                               "SetVelmoraTrayIcon"};
    ASSERT_EQ(zkr::kSharedServicesCount, 7);
    for (int i = 0; i < zkr::kSharedServicesCount; ++i)
        EXPECT_EQ(zkr::kSharedServicesExports[i], expected[static_cast<size_t>(i)]) << "entry " << i;
}

TEST_F(SharedServicesTest, CompleteLibraryBindsEveryEntryToItsExport)
{
    ASSERT_EQ(zkr::bindSharedServicesFrom(complete.c_str()), 0);
    zkr::SharedServices* table = zkr::sharedServices;
    ASSERT_NE(table, nullptr);

    void* handle = dlopen(complete.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    const void* entries[] = {
        reinterpret_cast<void*>(table->getErrorText),       reinterpret_cast<void*>(table->showZKRError),
        reinterpret_cast<void*>(table->showSplashWindow),   reinterpret_cast<void*>(table->closeSplashWindow),
        reinterpret_cast<void*>(table->updateSplashText),   reinterpret_cast<void*>(table->handleZKRHelp),
        reinterpret_cast<void*>(table->setVelmoraTrayIcon),
    };
    for (int i = 0; i < zkr::kSharedServicesCount; ++i) {
        EXPECT_NE(entries[i], nullptr) << zkr::kSharedServicesExports[i];
        EXPECT_EQ(entries[i], dlsym(handle, zkr::kSharedServicesExports[i]))
            << zkr::kSharedServicesExports[i];
    }
    dlclose(handle);

    // Calls through the table arrive with their arguments.
    velmora::test::clearSharedServicesLog(complete);
    char text[zkr::kErrorTextSize] = "stale";
    EXPECT_EQ(table->getErrorText(47, text), nullptr);
    EXPECT_STREQ(text, "");
    table->showSplashWindow();
    table->updateSplashText("Loading plug-ins");
    table->closeSplashWindow();
    table->handleZKRHelp("plevnt.html", 0, 0, 0);
    table->setVelmoraTrayIcon(42, 0x800A, 1);
    EXPECT_EQ(velmora::test::sharedServicesLog(complete), "GetErrorText 47\n"
                                                          "ShowSplashWindow\n"
                                                          "UpdateSplashText Loading plug-ins\n"
                                                          "CloseSplashWindow\n"
                                                          "HandleZKRHelp plevnt.html|0|0|0\n"
                                                          "SetVelmoraTrayIcon 42|32778|1\n");
    EXPECT_TRUE(NoticeRecorder::notices().empty());
}

TEST_F(SharedServicesTest, MissingExportGivesCorruptExportsAndLeavesNothingBound)
{
    EXPECT_EQ(zkr::bindSharedServicesFrom(withoutTrayIcon.c_str()), 10);
    EXPECT_EQ(zkr::sharedServices, nullptr);
    EXPECT_FALSE(isLoaded(withoutTrayIcon));
    EXPECT_TRUE(NoticeRecorder::notices().empty());
}

TEST_F(SharedServicesTest, MissingFileGivesCannotUseResourceAndSaysSo)
{
    velmora::test::TempFolder folder;
    EXPECT_EQ(zkr::bindSharedServicesFrom(folder.file("ZKRShared.so").c_str()), 1);
    EXPECT_EQ(zkr::sharedServices, nullptr);
    EXPECT_EQ(NoticeRecorder::notices(),
              (std::vector<Notice>{{"ZKR Shared Library ZKRShared.so not found.\n"
                                    "Velmora Audio Engine v0.1b cannot run without this file!",
                                    "Velmora Audio Engine v0.1b", kErrorNoticeStyle}}));
}

TEST_F(SharedServicesTest, ProgramFolderWithoutTheLibraryGivesCannotUseResourceAndSaysSo)
{
    // The test program's folder holds no ZKRShared.so.
    EXPECT_EQ(zkr::bindSharedServices(), 1);
    EXPECT_EQ(zkr::sharedServices, nullptr);
    ASSERT_EQ(NoticeRecorder::notices().size(), 1u);
    EXPECT_EQ(NoticeRecorder::notices()[0].caption, "Velmora Audio Engine v0.1b");
}

TEST_F(SharedServicesTest, FileThatIsNotALibraryGivesCannotUseResourceWithoutAMessage)
{
    EXPECT_EQ(zkr::bindSharedServicesFrom(notALibrary.c_str()), 1);
    EXPECT_EQ(zkr::sharedServices, nullptr);
    EXPECT_TRUE(NoticeRecorder::notices().empty());
}

TEST_F(SharedServicesTest, ReleaseUnloadsAndBindingWorksAgain)
{
    zkr::releaseSharedServices(); // nothing bound: nothing happens

    ASSERT_EQ(zkr::bindSharedServicesFrom(complete.c_str()), 0);
    ASSERT_TRUE(isLoaded(complete));
    zkr::releaseSharedServices();
    EXPECT_EQ(zkr::sharedServices, nullptr);
    EXPECT_FALSE(isLoaded(complete));
    zkr::releaseSharedServices();

    ASSERT_EQ(zkr::bindSharedServicesFrom(complete.c_str()), 0);
    ASSERT_NE(zkr::sharedServices, nullptr);
    char text[zkr::kErrorTextSize] = {};
    EXPECT_STREQ(zkr::sharedServices->getErrorText(13, text), "test error text 13");
}

TEST_F(SharedServicesTest, BindingAgainReleasesTheOldBindingFirst)
{
    ASSERT_EQ(zkr::bindSharedServicesFrom(complete.c_str()), 0);
    zkr::sharedServices->showSplashWindow();
    ASSERT_EQ(velmora::test::sharedServicesLog(complete), "ShowSplashWindow\n");

    // The library was unloaded in between: it comes back with a fresh log.
    ASSERT_EQ(zkr::bindSharedServicesFrom(complete.c_str()), 0);
    EXPECT_NE(zkr::sharedServices, nullptr);
    EXPECT_EQ(velmora::test::sharedServicesLog(complete), "");

    // A failing rebind leaves neither the old nor the new library reachable.
    EXPECT_EQ(zkr::bindSharedServicesFrom(withoutTrayIcon.c_str()), 10);
    EXPECT_EQ(zkr::sharedServices, nullptr);
    EXPECT_FALSE(isLoaded(complete));
    EXPECT_FALSE(isLoaded(withoutTrayIcon));
}

} // namespace
