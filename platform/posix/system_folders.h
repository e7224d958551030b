// Where the Linux layer finds the system folders (see README, "Linux platform layer").
#pragma once

namespace tamrix::platform::posix {

// Host paths standing in for the Windows folder and the system folder; null or empty restores
// the default (environment, then the built-in place).
void setWindowsDirectory(const char* hostPath);
void setSystemDirectory(const char* hostPath);

}  // namespace tamrix::platform::posix
