// On Linux the "running module" is a package file named by the tool, so that the stub's flow can
// run on it as if it were the running stub.
#pragma once

namespace tamrix::platform::posix {

// Loads the headers of the file at hostPath as the module image; false when it cannot be read.
bool setModuleFile(const char* hostPath);

}  // namespace tamrix::platform::posix
