// A check the Linux tool can put in front of every file opened for writing and every folder
// created, with the host path: false refuses the call, which then fails as the system's would.
#pragma once

#include <string>

namespace tamrix::platform::posix {

using WriteGuard = bool (*)(const std::string& hostPath);

// nullptr removes the check.
void setWriteGuard(WriteGuard guard);

// True when no check is set or the check lets the path through.
bool writeAllowed(const std::string& hostPath);

}  // namespace tamrix::platform::posix
