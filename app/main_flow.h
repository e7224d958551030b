// The stub's single control path on the main thread.
#pragma once

namespace tamrix {

// packagePath: 260 bytes; empty means the stub's own file. Returns the process exit code (a
// RunExitCode).
int runMainFlow(char* packagePath);

}  // namespace tamrix
