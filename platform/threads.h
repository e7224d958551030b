// The worker thread: started with a parameter, waited for without a time limit.
#pragma once

#include <cstdint>

#include "platform/windows.h"

namespace tamrix::platform {

using ThreadHandle = void*;
using ThreadRoutine = uint32_t(TAMRIX_CALLBACK*)(void* parameter);

// Default stack size; null when the thread cannot be started.
ThreadHandle startThread(ThreadRoutine routine, void* parameter);
void waitForThread(ThreadHandle thread);
void closeThread(ThreadHandle thread);
// Gives up the rest of the time slice (a sleep of 0 ms).
void yieldThread();

}  // namespace tamrix::platform
