// Small helpers for the tool's own reading of files named on its command line.
#pragma once

#include <string>

namespace tamrix::tool {

// The Windows form (drive Z:) of a host path, resolved to an absolute path; empty when the file
// does not exist.
std::string windowsPathOf(const char* hostPath);

}  // namespace tamrix::tool
