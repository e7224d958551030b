// "-" as the cabinet argument: standard input. The engine seeks in its cabinet, so a pipe is
// first copied to a temporary file that has no name (removed as soon as it is opened), which
// nothing can leave behind.
#pragma once

#include <string>

namespace tamrix::tool {

// For "-": a path through which the standard input's bytes can be opened again (and sought);
// any other argument is returned as it is. False with a message when standard input cannot be
// read or copied.
bool cabinetPathOf(const std::string& argument, std::string* path, std::string* error);

}  // namespace tamrix::tool
