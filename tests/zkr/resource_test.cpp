#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zkr/ErrorRecording.h"
#include "zkr/MutexObject.h"
#include "zkr/Resource.h"

namespace {

using velmora::test::RecordingApplication;
using velmora::test::ShownError;

// A file-like resource whose open and close succeed or fail on demand.
class TestFile : public zkr::Resource {
public:
    TestFile() { kind = zkr::kKindMultimediaFile; }
    ~TestFile() override { (void)detach(); }

    bool open(const char* name, int mode) override
    {
        calls.push_back("open " + std::string(name) + " " + std::to_string(mode));
        return openSucceeds;
    }
    bool close() override
    {
        calls.push_back("close");
        return closeSucceeds;
    }

    bool openSucceeds = true;
    bool closeSucceeds = true;
    std::vector<std::string> calls;
};

std::string nameOf(zkr::ObjectBase& object)
{
    char name[zkr::kObjectNameSize];
    std::memset(name, 'x', sizeof name);
    object.getName(name);
    return name;
}

class ResourceTest : public testing::Test {
protected:
    RecordingApplication application;
};

TEST_F(ResourceTest, AttachOpensAndKeepsTheName)
{
    TestFile file;
    EXPECT_EQ(file.attach("/a/b/song.wav", 2), 0);

    EXPECT_TRUE(file.attached);
    EXPECT_EQ(file.resourceName, "/a/b/song.wav");
    EXPECT_EQ(file.lastError, 0);
    EXPECT_EQ(file.calls, (std::vector<std::string>{"open /a/b/song.wav 2"}));
    EXPECT_EQ(file.guard, nullptr);
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(ResourceTest, FailedOpenReportsCannotUseResourceWithTheKindName)
{
    TestFile file;
    file.openSucceeds = false;

    EXPECT_EQ(file.attach("/a/b/song.wav", 0), 1);
    EXPECT_EQ(file.lastError, toWire(engine::Error::CannotUseResource));
    EXPECT_FALSE(file.attached);
    EXPECT_EQ(file.resourceName, "");
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{1, "Multimedia File"}}));
}

TEST_F(ResourceTest, FailedCloseReportsCannotReleaseResourceWithTheFileNameAndStaysAttached)
{
    TestFile file;
    ASSERT_EQ(file.attach("/a/b/song.wav", 0), 0);
    file.closeSucceeds = false;

    EXPECT_EQ(file.detach(), 2);
    EXPECT_TRUE(file.attached);
    EXPECT_EQ(file.resourceName, "/a/b/song.wav");
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{2, "song.wav"}}));

    file.closeSucceeds = true;
    EXPECT_EQ(file.detach(), 0);
    EXPECT_FALSE(file.attached);
    EXPECT_EQ(file.resourceName, "");
}

TEST_F(ResourceTest, DetachWhenDetachedDoesNotClose)
{
    TestFile file;
    file.lastError = 4;
    EXPECT_EQ(file.detach(), 0);
    EXPECT_EQ(file.lastError, 0);
    EXPECT_TRUE(file.calls.empty());
}

TEST_F(ResourceTest, AttachWhileAttachedDetachesFirst)
{
    TestFile file;
    ASSERT_EQ(file.attach("/music/one.wav", 1), 0);
    ASSERT_EQ(file.attach("/music/two.wav", 3), 0);

    EXPECT_EQ(file.calls,
              (std::vector<std::string>{"open /music/one.wav 1", "close", "open /music/two.wav 3"}));
    EXPECT_EQ(file.resourceName, "/music/two.wav");

    // When the old one cannot be released, the new one is not opened.
    file.closeSucceeds = false;
    EXPECT_EQ(file.attach("/music/three.wav", 1), 2);
    EXPECT_EQ(file.resourceName, "/music/two.wav");
    EXPECT_EQ(file.calls.back(), "close");
    file.closeSucceeds = true;
}

TEST_F(ResourceTest, ReattachUnderItsOwnNameOpensThatName)
{
    TestFile file;
    ASSERT_EQ(file.attach("/music/one.wav", 1), 0);
    ASSERT_EQ(file.attach(file.resourceName.c_str(), 1), 0);

    EXPECT_EQ(file.calls.back(), "open /music/one.wav 1");
    EXPECT_EQ(file.resourceName, "/music/one.wav");
}

TEST_F(ResourceTest, ALongNameIsKeptWhole)
{
    TestFile file;
    std::string longName = "/" + std::string(199, 'n');
    ASSERT_EQ(file.attach(longName.c_str(), 0), 0);

    EXPECT_EQ(file.calls.back(), "open " + longName + " 0");
    EXPECT_EQ(file.resourceName, longName);
    EXPECT_EQ(nameOf(file), std::string(199, 'n'));
}

TEST_F(ResourceTest, NameIsThePartAfterTheLastSlashWhileAttached)
{
    TestFile file;
    EXPECT_EQ(nameOf(file), "Multimedia File");

    ASSERT_EQ(file.attach("/a/b/song.wav", 0), 0);
    EXPECT_EQ(file.getName(nullptr), zkr::kKindMultimediaFile);
    EXPECT_EQ(nameOf(file), "song.wav");

    ASSERT_EQ(file.attach("plain.wav", 0), 0);
    EXPECT_EQ(nameOf(file), "plain.wav");

    ASSERT_EQ(file.attach("", 0), 0);
    EXPECT_EQ(nameOf(file), "Multimedia File");

    ASSERT_EQ(file.detach(), 0);
    EXPECT_EQ(nameOf(file), "Multimedia File");
}

TEST_F(ResourceTest, BaseResourceOpensAndClosesWithoutComplaint)
{
    zkr::Resource resource;
    EXPECT_EQ(resource.kind, zkr::kKindResource);
    EXPECT_EQ(nameOf(resource), "Resource");
    EXPECT_EQ(resource.attach("/dev/thing", 0), 0);
    EXPECT_EQ(nameOf(resource), "thing");
    EXPECT_EQ(resource.detach(), 0);
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(ResourceTest, GuardExistsWhileAttachedWithUseGuard)
{
    TestFile file;
    file.useGuard = true;
    ASSERT_EQ(file.attach("/a/song.wav", 0), 0);
    ASSERT_NE(file.guard, nullptr);

    // An unowned, working mutex.
    EXPECT_TRUE(file.guard->wait(0));
    EXPECT_TRUE(file.guard->release());

    // Re-attaching replaces it; detaching removes it.
    ASSERT_EQ(file.attach("/a/other.wav", 0), 0);
    EXPECT_NE(file.guard, nullptr);
    ASSERT_EQ(file.detach(), 0);
    EXPECT_EQ(file.guard, nullptr);
}

TEST_F(ResourceTest, GuardIsRemovedEvenAfterUseGuardWasCleared)
{
    TestFile file;
    file.useGuard = true;
    ASSERT_EQ(file.attach("/a/song.wav", 0), 0);
    file.useGuard = false;
    ASSERT_EQ(file.detach(), 0);
    EXPECT_EQ(file.guard, nullptr);
}

TEST_F(ResourceTest, BaseDestructorDeletesARemainingGuard)
{
    // Left attached on purpose: the leak checker of the sanitizer build
    // catches a guard the destructor forgot.
    zkr::Resource resource;
    resource.useGuard = true;
    ASSERT_EQ(resource.attach("/a/song.wav", 0), 0);
    EXPECT_NE(resource.guard, nullptr);
}

} // namespace
