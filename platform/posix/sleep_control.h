// Test controls for sleeping on Linux: shortened sleeps, and a clock made of the requested pauses.
#pragma once

#include <cstdint>
#include <functional>

namespace tamrix::platform::posix {

// Sleeps last the requested time multiplied by scale: 1 (the default) is real time, 0 does not
// pause at all.
void setSleepScale(double scale);

// Called on the sleeping thread with each requested (unscaled) pause before it is taken, so a test
// can follow the time that a sequence of pauses stands for. An empty function removes it.
using SleepObserver = std::function<void(uint32_t milliseconds)>;
void setSleepObserver(SleepObserver observer);

}  // namespace tamrix::platform::posix
