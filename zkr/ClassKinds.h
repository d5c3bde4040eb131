#pragma once

namespace zkr {

// The fixed kind of every class of the library; names for error reports.
enum ClassKind : int {
    kKindObjectBase = 1,
    kKindResource = 2,
    kKindPlugin = 3,
    kKindMultimediaFile = 4,
    kKindList = 5,
    kKindQueue = 6,
    kKindRegistry = 7,
    kKindWindowed = 8,
    kKindWindow = 9,
    kKindDialog = 10,
    kKindUserInterface = 11,
    kKindControl = 12,
    kKindWaveDevice = 13,
    kKindWaveOutput = 14,
    kKindWaveInput = 15,
    kKindStereoMixer = 16,
    kKindWaveformatConverter = 17,
    kKindSharedBuffer = 18,
    kKindGraphics = 19,
    kKindDirectXObject = 20,
    kKindDirectDraw = 21,
    kKindDirectSound = 22,
    kKindAudioManager = 23,
    kKindAudioDecoder = 24,
    kKindAudioFile = 25,
    kKindDecoderManager = 26,
    kKindHttpSocket = 27,
    kKindApplicationUpdate = 28,
};

inline constexpr int kKindCount = 28;
inline constexpr int kKindNameSize = 32;

// Entry k - 1 names kind k (zero-padded, 32 characters each).
extern const char kKindNames[kKindCount][kKindNameSize];

// The kind's name, or "" for a number outside the table.
const char* kindName(int kind);

} // namespace zkr
