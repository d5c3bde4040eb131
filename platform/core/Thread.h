#pragma once

#include <cstdint>

#include "platform/core/Handle.h"

namespace plat {

// Thread priorities with the values of the system's original platform.
enum ThreadPriority : int {
    kPriorityIdle = -15,
    kPriorityLowest = -2,
    kPriorityBelowNormal = -1,
    kPriorityNormal = 0,
    kPriorityAboveNormal = 1,
    kPriorityHighest = 2,
    kPriorityTimeCritical = 15,
};

// threadPriority's answer for a handle that is not a thread.
inline constexpr int kPriorityErrorReturn = 0x7FFFFFFF;

inline constexpr uint32_t kStillActive = 259;

using ThreadRoutine = uint32_t (*)(void* parameter);

// Starts a thread running routine(parameter); with suspended it waits for
// resumeThread before the routine runs. The handle is signalled when the
// routine has returned. Null when the thread cannot be created.
[[nodiscard]] PLAT_API Handle createThread(ThreadRoutine routine, void* parameter, bool suspended,
                                           uint32_t* threadId);
// Lets a thread created suspended run. False when it was not suspended.
[[nodiscard]] PLAT_API bool resumeThread(Handle thread);
// Best effort: a priority the process may not take is not an error. False
// only for a handle that is not a thread.
[[nodiscard]] PLAT_API bool setThreadPriority(Handle thread, int priority);
// The priority last asked for (kPriorityNormal until then).
[[nodiscard]] PLAT_API int threadPriority(Handle thread);
// The routine's result, or kStillActive while it runs.
[[nodiscard]] PLAT_API bool getExitCodeThread(Handle thread, uint32_t* exitCode);
// The kernel's id of the calling thread (never 0).
PLAT_API uint32_t currentThreadId();
// The id of a thread created by createThread, known as soon as createThread
// returns (even when suspended); 0 for a handle that is not a thread.
[[nodiscard]] PLAT_API uint32_t threadIdOf(Handle thread);

} // namespace plat
