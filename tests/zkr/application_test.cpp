#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zkr/Application.h"
#include "zkr/ErrorRecording.h"
#include "zkr/List.h"
#include "zkr/Product.h"
#include "zkr/SharedServices.h"
#include "zkr/SharedServicesDouble.h"

namespace {

using velmora::test::kErrorNoticeStyle;
using velmora::test::Notice;
using velmora::test::NoticeRecorder;

TEST(ApplicationLifetimeTest, FirstApplicationBecomesTheApplicationUntilDestroyed)
{
    ASSERT_EQ(zkr::theApplication, nullptr);
    {
        zkr::Application first;
        EXPECT_EQ(zkr::theApplication, &first);
        {
            zkr::Application second;
            EXPECT_EQ(zkr::theApplication, &first);
        }
        EXPECT_EQ(zkr::theApplication, &first);
    }
    EXPECT_EQ(zkr::theApplication, nullptr);
}

TEST(ApplicationLifetimeTest, PreparesASilentSettingsStoreOnTheSettingsFile)
{
    zkr::Application application;
    EXPECT_EQ(application.settings.fileName, "velmoraaudioengine.ini");
    EXPECT_TRUE(application.settings.silent);
    EXPECT_TRUE(application.settings.createMissingKeys);
}

class ShowErrorTest : public testing::Test {
protected:
    void TearDown() override { zkr::releaseSharedServices(); }

    void bindCompleteDouble()
    {
        ASSERT_EQ(zkr::bindSharedServicesFrom(library.c_str()), 0);
        velmora::test::clearSharedServicesLog(library);
    }
    std::string log() const { return velmora::test::sharedServicesLog(library); }

    NoticeRecorder notices;
    zkr::Application application;
    const std::string library = velmora::test::sharedServicesDouble("complete");
};

TEST_F(ShowErrorTest, MessageCodesAreAMessageBoxWithTheText)
{
    bindCompleteDouble();
    application.showError(101, "The sound card refused the format.");
    application.showError(250, nullptr);

    EXPECT_EQ(NoticeRecorder::notices(), (std::vector<Notice>{{"The sound card refused the format.",
                                                               zkr::kProductTitle, kErrorNoticeStyle},
                                                              {"", zkr::kProductTitle, kErrorNoticeStyle}}));
    EXPECT_EQ(zkr::kProductTitle, std::string("Velmora Audio Engine v0.1b"));
    EXPECT_EQ(log(), "");
}

TEST_F(ShowErrorTest, ErrorCodesGoToTheErrorDialogWithTheLibrarysText)
{
    bindCompleteDouble();
    application.showError(13, "song.wav");
    application.showError(100, "Mixer Settings");

    EXPECT_EQ(log(), "GetErrorText 13\n"
                     "ShowZKRError 13|song.wav|test error text 13\n"
                     "GetErrorText 100\n"
                     "ShowZKRError 100|Mixer Settings|\n");
    EXPECT_TRUE(NoticeRecorder::notices().empty());
}

TEST_F(ShowErrorTest, ObjectFailuresReachTheErrorDialogWithTheirName)
{
    bindCompleteDouble();
    zkr::List<int32_t> list(1);
    (void)list.removeAt(3);

    EXPECT_EQ(log(), "GetErrorText 13\nShowZKRError 13|List|test error text 13\n");
}

TEST_F(ShowErrorTest, WithoutTheLibraryTheCodeAndTextStillReachTheUser)
{
    ASSERT_EQ(zkr::sharedServices, nullptr);
    application.showError(13, "song.wav");
    application.showError(4, nullptr);

    EXPECT_EQ(NoticeRecorder::notices(),
              (std::vector<Notice>{{"Code 13: song.wav", zkr::kProductTitle, kErrorNoticeStyle},
                                   {"Code 4", zkr::kProductTitle, kErrorNoticeStyle}}));
}

TEST_F(ShowErrorTest, BaseShowHelpDoesNothing)
{
    bindCompleteDouble();
    application.showHelp(3, 0);
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(NoticeRecorder::notices().empty());
}

} // namespace
