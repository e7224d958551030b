// `tamrix run` writes nothing through a symbolic link that already sits below the destination
// (a folder or a file name): such a link could lead anywhere on the machine.
#pragma once

#include <string>

namespace tamrix::tool {

// The write check for the platform layer: false (with a message on stderr) when `hostPath` lies
// below the run's destination and one of its parts there is a symbolic link.
bool noLinkBelowDestination(const std::string& hostPath);

}  // namespace tamrix::tool
