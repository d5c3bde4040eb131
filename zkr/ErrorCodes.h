#pragma once

// The system's error codes (their texts belong to the shared services
// library). 0 is success. Statuses 200 and 202 are not errors.
namespace zkr {

enum ErrorCode : int {
    kOk = 0,
    kErrCannotUseResource = 1,
    kErrCannotReleaseResource = 2,
    kErrNoExternalResource = 3,
    kErrReadFailed = 4,
    kErrWriteFailed = 5,
    kErrSeekFailed = 6,
    kErrDiskBuffer = 7,
    kErrNotRiffWavePcm = 8,
    kErrUnexpectedEof = 9,
    kErrCorruptExports = 10,
    kErrPluginMisused = 11,
    kErrPluginInitFailed = 12,
    kErrIndexOutOfRange = 13,
    kErrNoMatch = 14,
    kErrElementNotFound = 15,
    kErrNotNow = 16,
    kErrNotImplemented = 17,
    kErrCreateUserInterface = 18,
    kErrOutOfMemory = 19,
    kErrDirectXCreate = 20,
    kErrDirectXNotCooperative = 21,
    kErrDirectXPrimary = 22,
    kErrDirectDrawClipper = 23,
    kErrDirectDrawSurface = 24,
    kErrDirectXOperation = 25,
    kErrBadInitialization = 26,
    kErrNoUserInterface = 27,
    kErrCreateControl = 28,
    kErrNoAudioInput = 29,
    kErrPluginInternal = 30,
    kErrNoAudioOutput = 31,
    kErrNoFreeChannelsForFile = 32,
    kErrCannotStartStreaming = 33,
    kErrOutputNotReady = 34,
    kErrNoFreeMixerChannels = 35,
    kErrNoRealtimeEffect = 36,
    kErrNoDecoderModules = 37,
    kErrNoDecoderForFormat = 38,
    kErrSocketInit = 39,
    kErrUnknownHost = 40,
    kErrSocketSend = 41,
    kErrSocketReceive = 42,
    kErrSocketCanceled = 43,
    kErrSocketInternal = 44,
    kErrNotInitialized = 45,
    kErrDropRefused = 46,
};

inline constexpr int kLastErrorCode = 46;
// Codes from here on are shown as plain message boxes with the context text.
inline constexpr int kFirstMessageCode = 100;
// The code whose report is the error context alone, as a plain message.
inline constexpr int kPlainMessage = 101;

// Statuses that are returned, never reported.
inline constexpr int kStatusBusy = 200;         // full or empty: try again
inline constexpr int kStatusNoConversion = 202; // converter: formats already match

} // namespace zkr
