// Test control for started programs on Linux.
#pragma once

namespace tamrix::platform::posix {

// Linux programs have no input-idle state, so waitForInputIdle returns at once. With this on it
// waits for the process to end instead, as for a launcher that hands over to the real installer
// and ends before it would ever take input. Off by default.
void setInputIdleWaitsForEnd(bool on);

}  // namespace tamrix::platform::posix
