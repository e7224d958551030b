#include "paths/folder_macros.h"

#include <cstring>

#include "paths/path_text.h"
#include "platform/file_limits.h"
#include "platform/system_folders.h"

namespace tamrix {

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool appendText(char* text, size_t size, const char* tail) {
    size_t length = std::strlen(text);
    size_t tailLength = std::strlen(tail);
    if (length + tailLength + 1 > size) return false;
    std::memcpy(text + length, tail, tailLength + 1);
    return true;
}

// The Windows folder's drive root followed by "Program Files".
void programFilesFolder(char* resolved) {
    platform::windowsDirectory(resolved, kResolvedFolderSize);
    char* colon = std::strchr(resolved, ':');
    if (!colon) return;
    // Cut two characters after the colon (normally behind its backslash).
    if (std::strlen(colon) >= 2) colon[2] = 0;
    if (!appendText(resolved, kResolvedFolderSize, "Program Files")) resolved[0] = 0;
}

// The temporary folder; "%temp%" alone with deleteAfterSetup gives the package's own folder in it.
int temporaryFolder(char* resolved, const char* destination, uint32_t deleteAfterSetup,
                    const char* packagePath) {
    platform::tempPath(resolved, kResolvedFolderSize);
    // The whole destination, its NUL included (the header's field need not hold one elsewhere).
    if (std::strncmp(destination, "%temp%", 7) != 0 || !deleteAfterSetup) return 0;
    char name[kPathSize];
    splitPath(packagePath, nullptr, name);
    if (!appendText(resolved, kResolvedFolderSize, "~") ||
        !appendText(resolved, kResolvedFolderSize, name)) {
        resolved[0] = 0;
        return 0;
    }
    return 1;
}

}  // namespace

int expandFolderMacro(char* out, const char* destination, uint32_t deleteAfterSetup,
                      const char* packagePath) {
    char resolved[kResolvedFolderSize] = {};
    int ownFolder = 0;
    if (!destination[0]) return 0;

    char w[kPathSize];
    size_t length = strnlen(destination, kPathSize - 1);
    std::memcpy(w, destination, length);
    w[length] = 0;
    char* second = w[0] == '%' ? std::strchr(w + 1, '%') : nullptr;
    if (!second) {
        std::memcpy(out, w, length + 1);
        return 0;
    }
    *second = 0;
    const char* name = w + 1;
    const char* rest = second + 1;

    switch (name[0]) {
        case 'D':
            if (!std::strcmp(name, "Desktop")) {
                readShellFolder(platform::kRegistryCurrentUser, kShellFoldersKey, resolved,
                                "Desktop");
            }
            break;
        case 'M':
            if (!std::strcmp(name, "MyDocuments")) {
                readShellFolder(platform::kRegistryCurrentUser, kShellFoldersKey, resolved,
                                "Personal");
            }
            break;
        case 'P':
            if (!std::strcmp(name, "ProgramFiles")) programFilesFolder(resolved);
            break;
        case 'S':
            if (!std::strcmp(name, "SystemDir"))
                platform::systemDirectory(resolved, sizeof resolved);
            break;
        case 'W':
            if (!std::strcmp(name, "WinDir")) platform::windowsDirectory(resolved, sizeof resolved);
            break;
        case 't':
            if (!std::strcmp(name, "temp")) {
                ownFolder = temporaryFolder(resolved, destination, deleteAfterSetup, packagePath);
            }
            break;
        default:
            break;
    }
    if (resolved[0]) stripBackslash(resolved);

    // A folder that does not fit together with the rest counts as unresolved.
    size_t restLength = std::strlen(rest);
    if (std::strlen(resolved) + restLength + 1 > kPathSize) {
        resolved[0] = 0;
        ownFolder = 0;
    }
    out[0] = 0;
    appendText(out, kPathSize, resolved);
    appendText(out, kPathSize, rest);
    return ownFolder;
}

int readShellFolder(platform::RegistryRoot root, const char* keyPath, char* out,
                    const char* valueName, uint32_t size) {
    if (size == 0) return 0;
    out[0] = 0;
    platform::RegistryKey key = platform::registryOpenKey(root, keyPath);
    if (!key) return 0;
    uint32_t bytes = size;
    bool read = platform::registryQueryValue(key, valueName, out, &bytes);
    platform::registryCloseKey(key);
    // A stored value need not end in a NUL; one that fills the buffer without it is too long.
    if (read && bytes < size) {
        out[bytes] = 0;
    } else if (!read || out[size - 1] != 0) {
        read = false;
    }
    if (!read) out[0] = 0;
    return read && out[0] ? 1 : 0;
}

}  // namespace tamrix
