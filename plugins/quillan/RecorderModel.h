#pragma once

#include <cstdint>

#include "api/PluginApi.h"

namespace zkr {
struct DeviceCapabilities;
} // namespace zkr

namespace quillan {

// What the recorder window knows of the plug-in object, which owns the
// recording, the device, the engine's callbacks and the audio record: the
// window is given it as this, so it does not depend on the plug-in's header.
// Every call is the window's thread's unless marked; the threads are the
// plug-in object's (QuillanApplication).
class RecorderModel {
public:
    // ---- the sound card ----
    virtual int deviceCount() = 0;
    // Null outside the list.
    virtual const zkr::DeviceCapabilities* deviceAt(int index) = 0;
    // The device chosen last (-1: none yet).
    virtual int selectedDevice() const = 0;
    // 0, or the error (NotNow while recording: the card is open), already reported.
    virtual int selectDevice(int index) = 0;
    // True on a machine without input devices; the first time, the user is
    // told so (every control that needs a device asks, one box is enough).
    virtual bool withoutDevice() = 0;

    // ---- the connection to the mixer ----
    virtual bool connected() const = 0;
    // Attaches this plug-in's streams (mono, or stereo's two); false, told
    // to the user, when the mixer has no free channels.
    virtual bool attachStreams(bool stereo) = 0;
    virtual void detachStreams() = 0;

    // ---- the recording ----
    virtual bool recording() const = 0;
    // Sets the recording up and starts the device; 0, or the error (reported).
    virtual int beginRecording() = 0;
    // Asks the engine to stream the begun recording; false when it is down again.
    virtual bool confirmRecording() = 0;
    // Stops the device; the milliseconds within which the engine reads the
    // rest (beyond them, the window abandons the recording).
    virtual uint32_t stopRecording() = 0;
    // Takes a recording down when no read is coming any more; false when
    // none was running. dropUnread empties what was recorded first.
    virtual bool abandonRecording(bool dropUnread) = 0;
    // Once the recording is down: tells the device's failure that ended it, if any.
    virtual void reportRecordingFailure() = 0;

    // ---- the rest ----
    // The engine's block size (any thread's audio record).
    virtual int32_t musicBufSize() = 0;
    // The engine's thread closing the window: the streams and the recording go.
    virtual void endSession() = 0;
    // The user's close: asks the engine to unload the plug-in.
    virtual void requestUnload() = 0;

    // The rings of a recording, as "Configure Recording" sets them; each
    // window starts with the defaults.
    static constexpr int32_t kDefaultRecordingBlocks = 6;
    static constexpr int32_t kDefaultSharedBlocks = 12;
    int32_t recordingBlocks = kDefaultRecordingBlocks;
    int32_t sharedBlocks = kDefaultSharedBlocks;

protected:
    RecorderModel() = default;
    ~RecorderModel() = default;
};

} // namespace quillan
