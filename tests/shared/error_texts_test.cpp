#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shared/Services.h"
#include "zkr/SharedServices.h"

namespace {

// The catalogue as users read it: every text, byte for byte.
const char* const kExpectedTexts[46] = {
    "Unable to use this resource!",
    "Failed to release this resource.",
    "Resource object doesn't contain an external resource!",
    "Reading operation failed!",
    "Writing operation failed!",
    "Seeking operation failed!",
    "Couldn't set disk buffer to requested size, don't know why!",
    "Couldn't open this file. Possible reasons: No RIFF WAVE signature or audioformat isn't PCM.",
    "Oops, unexpected end of file!",
    "Doesn't seem to be a valid plugin because of corrupt export interface!",
    "This is a valid plugin, but cannot be used in this way.",
    "Unable to initialize plugin properly, maybe internal error!?",
    "Found an index out of range for whatever reason!",
    "Last search didn't produce a match.",
    "Element not found!",
    "Sorry, you cannot finish this action now!",
    "Sorry, the required function for this action is not implemented.",
    "Failed to create user interface!",
    "Not enough free memory. Close some other applications and try again.",
    "Failed to create this DirectX object!",
    "DirectX object is not cooperative for whatever reason!",
    "Failed to create primary DirectX object!",
    "Failed to initialize  DirectDraw clipper!",
    "Failed to create new DirectDraw surface!",
    "DirectX operation failed!",
    "Application cannot run because of bad initialization!",
    "No User Interface found for application!",
    "Failed to create a user interface control!",
    "No Audio Input found for application!",
    "A plugin signaled an internal error!",
    "No Audio Output found for application!",
    "Sorry, not enough free channels left for this audiofile.",
    "Cannot start streaming. No Audio Input loaded or connected to mixer.",
    "Audio Output not ready! No plugin loaded or output error.",
    "Failed to initialize another stream. Not enough free mixer channels left.",
    "No Realtime Effect found for application!",
    "No audio decoder modules found!",
    "Sorry, no decoder currently installed for this fileformat!",
    "Failed to init a socket!",
    "Unknown host - check your network connection and try again.",
    "Cannot send data to socket!",
    "Cannot receive data from socket!",
    "Socket operation canceled by user.",
    "An internal socket error occured!",
    "Object not correctly initialized or initialization failed!",
    "The droped files won't be handled by this window!",
};

// A buffer that shows whether a call wrote into it.
struct TextBuffer {
    char text[zkr::kErrorTextSize];
    TextBuffer()
    {
        std::memset(text, 'x', sizeof text - 1);
        text[sizeof text - 1] = '\0';
    }
};

TEST(ErrorTexts, EveryCodeUpToTheLastWithTextHasItsText)
{
    for (int code = 1; code <= 46; ++code) {
        TextBuffer buffer;
        char* result = shared::getErrorText(code, buffer.text);
        ASSERT_EQ(result, buffer.text) << "code " << code;
        EXPECT_STREQ(buffer.text, kExpectedTexts[code - 1]) << "code " << code;
    }
}

TEST(ErrorTexts, CodesAboveTheLastWithTextEmptyTheBufferAndAnswerNone)
{
    for (int code : {47, 100, 101, 1000}) {
        TextBuffer buffer;
        EXPECT_EQ(shared::getErrorText(code, buffer.text), nullptr) << "code " << code;
        EXPECT_STREQ(buffer.text, "") << "code " << code;
    }
}

TEST(ErrorTexts, CodesZeroAndBelowHaveNoText)
{
    for (int code : {0, -1, -46, -2147483647 - 1}) {
        TextBuffer buffer;
        char* result = shared::getErrorText(code, buffer.text);
        // Whatever comes back must not be a text of the catalogue.
        if (result != nullptr) {
            EXPECT_STREQ(result, "") << "code " << code;
        }
        EXPECT_STREQ(buffer.text, "") << "code " << code;
    }
}

TEST(ErrorTexts, ANullBufferIsRefused)
{
    EXPECT_EQ(shared::getErrorText(1, nullptr), nullptr);
    EXPECT_EQ(shared::getErrorText(47, nullptr), nullptr);
}

// The library as every deliverable binds it: its strings are found through
// its own module, not the program's.
TEST(ErrorTexts, TheLoadedLibraryAnswersThroughItsExport)
{
    const std::string library = std::string(VELMORA_OUT_DIR) + "/ZKRShared.so";
    ASSERT_EQ(zkr::bindSharedServicesFrom(library.c_str()), 0);
    ASSERT_NE(zkr::sharedServices, nullptr);
    TextBuffer buffer;
    EXPECT_EQ(zkr::sharedServices->getErrorText(46, buffer.text), buffer.text);
    EXPECT_STREQ(buffer.text, "The droped files won't be handled by this window!");
    TextBuffer empty;
    EXPECT_EQ(zkr::sharedServices->getErrorText(47, empty.text), nullptr);
    EXPECT_STREQ(empty.text, "");
    zkr::releaseSharedServices();
}

} // namespace
