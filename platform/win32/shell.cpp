#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "platform/shell.h"

namespace tamrix::platform {

void openFolderInShell(const char* folder) {
    ShellExecuteA(nullptr, "open", "explorer", folder, nullptr, SW_SHOWDEFAULT);
}

}  // namespace tamrix::platform
