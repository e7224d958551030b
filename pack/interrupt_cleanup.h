// Temporary files that must not outlive the process when Ctrl-C (SIGINT), SIGTERM or SIGHUP
// stops it: a handler removes the ones registered, then lets the signal end the process as it
// would have. Files already complete are never registered, so they stay.
#pragma once

#include <fcntl.h>

namespace tamrix::pack {

// Installs the handler (once; later calls do nothing).
void installInterruptCleanup();

// Registers name (relative to the open folder folderFd, or AT_FDCWD) for removal; returns a
// slot for unregisterTemporary, or -1 when every slot is taken (the file is then not guarded).
int registerTemporary(int folderFd, const char* name);
void unregisterTemporary(int slot);

}  // namespace tamrix::pack
