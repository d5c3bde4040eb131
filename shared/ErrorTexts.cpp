#include <iterator>

#include "api/Protocol.h"
#include "platform/ui/Resources.h"
#include "shared/Services.h"
#include "shared/SharedModule.h"
#include "zkr/SharedServices.h"
#include "zkr/Text.h"

namespace shared {

namespace {

// The error codes' texts; the string id is the code.
const plat::ui::StringResource kErrorTexts[] = {
    {1, "Unable to use this resource!"},
    {2, "Failed to release this resource."},
    {3, "Resource object doesn't contain an external resource!"},
    {4, "Reading operation failed!"},
    {5, "Writing operation failed!"},
    {6, "Seeking operation failed!"},
    {7, "Couldn't set disk buffer to requested size, don't know why!"},
    {8, "Couldn't open this file. Possible reasons: No RIFF WAVE signature or audioformat isn't PCM."},
    {9, "Oops, unexpected end of file!"},
    {10, "Doesn't seem to be a valid plugin because of corrupt export interface!"},
    {11, "This is a valid plugin, but cannot be used in this way."},
    {12, "Unable to initialize plugin properly, maybe internal error!?"},
    {13, "Found an index out of range for whatever reason!"},
    {14, "Last search didn't produce a match."},
    {15, "Element not found!"},
    {16, "Sorry, you cannot finish this action now!"},
    {17, "Sorry, the required function for this action is not implemented."},
    {18, "Failed to create user interface!"},
    {19, "Not enough free memory. Close some other applications and try again."},
    {20, "Failed to create this DirectX object!"},
    {21, "DirectX object is not cooperative for whatever reason!"},
    {22, "Failed to create primary DirectX object!"},
    {23, "Failed to initialize  DirectDraw clipper!"},
    {24, "Failed to create new DirectDraw surface!"},
    {25, "DirectX operation failed!"},
    {26, "Application cannot run because of bad initialization!"},
    {27, "No User Interface found for application!"},
    {28, "Failed to create a user interface control!"},
    {29, "No Audio Input found for application!"},
    {30, "A plugin signaled an internal error!"},
    {31, "No Audio Output found for application!"},
    {32, "Sorry, not enough free channels left for this audiofile."},
    {33, "Cannot start streaming. No Audio Input loaded or connected to mixer."},
    {34, "Audio Output not ready! No plugin loaded or output error."},
    {35, "Failed to initialize another stream. Not enough free mixer channels left."},
    {36, "No Realtime Effect found for application!"},
    {37, "No audio decoder modules found!"},
    {38, "Sorry, no decoder currently installed for this fileformat!"},
    {39, "Failed to init a socket!"},
    {40, "Unknown host - check your network connection and try again."},
    {41, "Cannot send data to socket!"},
    {42, "Cannot receive data from socket!"},
    {43, "Socket operation canceled by user."},
    {44, "An internal socket error occured!"},
    {45, "Object not correctly initialized or initialization failed!"},
    {46, "The droped files won't be handled by this window!"},
};
static_assert(std::size(kErrorTexts) == static_cast<std::size_t>(toWire(engine::Error::LastWithText)));

const plat::ui::ResourceTable kErrorTextTable{kErrorTexts, {}, {}, {}};
plat::ui::ResourceRegistrar errorTextRegistrar(kErrorTextTable);

} // namespace

char* getErrorText(int code, char* buffer)
{
    if (buffer == nullptr)
        return nullptr;
    if (code > toWire(engine::Error::LastWithText)) {
        buffer[0] = '\0';
        return nullptr;
    }
    // Ok and negative codes have no string: the buffer is emptied and the caller
    // gets it back, so whatever it shows is at least an empty text.
    const char* text = plat::ui::findString(sharedModule(), static_cast<unsigned>(code > 0 ? code : 0));
    zkr::copyText(buffer, zkr::kErrorTextSize, text);
    return buffer;
}

} // namespace shared
