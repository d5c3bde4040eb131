#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zkr/ClassKinds.h"
#include "zkr/ErrorRecording.h"
#include "zkr/ObjectBase.h"

namespace {

using velmora::test::RecordingApplication;
using velmora::test::ShownError;

// An object that names itself the way a window reports its caption.
class CaptionedObject : public zkr::ObjectBase {
public:
    int getName(char* buffer) override
    {
        if (buffer != nullptr)
            std::strcpy(buffer, "Mixer Settings");
        return kind;
    }
};

struct HandledError {
    int code;
    std::string context;
};
std::vector<HandledError> handled;

void recordHandledError(int code, const char* context)
{
    handled.push_back({code, context != nullptr ? context : "(null)"});
}

class ErrorRoutingTest : public testing::Test {
protected:
    void SetUp() override
    {
        handled.clear();
        ASSERT_EQ(zkr::theApplication, &application);
    }

    RecordingApplication application;
};

TEST_F(ErrorRoutingTest, SilentObjectOnlyRecordsTheCode)
{
    zkr::ObjectBase object;
    object.silent = true;
    object.setError(toWire(engine::Error::IndexOutOfRange));
    object.errorContext = "ignored";
    object.setError(toWire(engine::Error::PlainMessage));

    EXPECT_EQ(object.lastError, toWire(engine::Error::PlainMessage));
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(ErrorRoutingTest, OwnHandlerReceivesCodeAndContextInsteadOfTheApplication)
{
    zkr::ObjectBase object;
    object.errorContext = "while reading";
    object.setOwnHandler(&recordHandledError);
    object.setError(toWire(engine::Error::ReadFailed));
    object.setError(120);

    EXPECT_EQ(object.lastError, 120);
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled[0].code, toWire(engine::Error::ReadFailed));
    EXPECT_EQ(handled[0].context, "while reading");
    EXPECT_EQ(handled[1].code, 120);
    EXPECT_TRUE(application.shown.empty());

    object.setOwnHandler(nullptr);
    object.setError(toWire(engine::Error::WriteFailed));
    EXPECT_EQ(handled.size(), 2u);
    EXPECT_EQ(application.shown,
              (std::vector<ShownError>{{toWire(engine::Error::WriteFailed), "[abstract]"}}));
}

TEST_F(ErrorRoutingTest, SilentWinsOverOwnHandler)
{
    zkr::ObjectBase object;
    object.setOwnHandler(&recordHandledError);
    object.silent = true;
    object.setError(toWire(engine::Error::DiskBuffer));

    EXPECT_EQ(object.lastError, toWire(engine::Error::DiskBuffer));
    EXPECT_TRUE(handled.empty());
}

TEST_F(ErrorRoutingTest, ErrorCodesShowTheVirtualName)
{
    CaptionedObject window;
    window.errorContext = "not this";
    window.setError(toWire(engine::Error::CreateControl));
    window.setError(99);

    EXPECT_EQ(application.shown,
              (std::vector<ShownError>{{toWire(engine::Error::CreateControl), "Mixer Settings"},
                                       {99, "Mixer Settings"}}));
}

TEST_F(ErrorRoutingTest, MessageCodesShowTheErrorContext)
{
    CaptionedObject window;
    window.errorContext = "The sound card refused the format.";
    window.setError(100);
    window.setError(toWire(engine::Error::PlainMessage));
    window.errorContext = nullptr;
    window.setError(150);

    EXPECT_EQ(application.shown, (std::vector<ShownError>{{100, "The sound card refused the format."},
                                                          {101, "The sound card refused the format."},
                                                          {150, "(null)"}}));
}

TEST(ErrorRoutingWithoutApplicationTest, ErrorsAreOnlyRecorded)
{
    ASSERT_EQ(zkr::theApplication, nullptr);
    zkr::ObjectBase object;
    object.setError(toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(object.lastError, toWire(engine::Error::IndexOutOfRange));
    object.errorContext = "no one to show this to";
    object.setError(toWire(engine::Error::PlainMessage));
    EXPECT_EQ(object.lastError, toWire(engine::Error::PlainMessage));
}

TEST(ObjectBaseTest, GetNameCopiesTheKindNameAndReturnsTheKind)
{
    zkr::ObjectBase object;
    char name[zkr::kObjectNameSize];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(object.getName(name), 1);
    EXPECT_STREQ(name, "[abstract]");

    object.kind = zkr::kKindWaveformatConverter;
    EXPECT_EQ(object.getName(nullptr), 17);
    EXPECT_EQ(object.getName(name), 17);
    EXPECT_STREQ(name, "Waveformat Converter");
}

TEST(ClassKindsTest, TableHas28ZeroPaddedEntriesOf32Characters)
{
    static_assert(sizeof(zkr::kKindNames) == 28 * 32);
    EXPECT_STREQ(zkr::kKindNames[0], "[abstract]");
    EXPECT_STREQ(zkr::kKindNames[27], "Application Update");

    const std::vector<std::pair<int, const char*>> samples = {
        {2, "Resource"},        {4, "Multimedia File"},  {5, "List"},           {8, "[windowed]"},
        {11, "User Interface"}, {16, "Stereo Mixer"},    {18, "Shared Buffer"}, {19, "[graphics]"},
        {22, "DirectSound"},    {26, "Decoder Manager"}, {27, "HTTP Socket"},
    };
    for (const auto& [kind, name] : samples)
        EXPECT_STREQ(zkr::kindName(kind), name) << "kind " << kind;

    for (int entry = 0; entry < zkr::kKindCount; ++entry) {
        const char* text = zkr::kKindNames[entry];
        size_t length = std::strlen(text);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, 32u);
        for (size_t i = length; i < 32; ++i)
            EXPECT_EQ(text[i], '\0') << "entry " << entry << " byte " << i;
    }
}

TEST(ClassKindsTest, KindsOutsideTheTableHaveNoName)
{
    EXPECT_STREQ(zkr::kindName(0), "");
    EXPECT_STREQ(zkr::kindName(29), "");
    EXPECT_STREQ(zkr::kindName(-1), "");
}

} // namespace
