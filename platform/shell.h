// Opening a folder for the user, after extraction when no setup command is set.
#pragma once

namespace tamrix::platform {

// Shows the folder in the desktop's file manager (the shell's "explorer" on Windows). On Linux
// without a display, or without an opener, the folder is printed on stdout instead.
void openFolderInShell(const char* folder);

}  // namespace tamrix::platform
