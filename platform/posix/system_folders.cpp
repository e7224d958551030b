// The Windows folder: TAMRIX_WINDIR, else $XDG_DATA_HOME/tamrix/windows (XDG_DATA_HOME defaults
// to $HOME/.local/share). The system folder: TAMRIX_SYSTEMDIR, else the Windows folder's
// system32. The temporary folder: TMPDIR, else /tmp. Only absolute host paths count.
#include "platform/system_folders.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/host_paths.h"
#include "platform/posix/system_folders.h"

namespace tamrix::platform {

namespace {

std::string windowsOverride;
std::string systemOverride;

std::string absoluteOrEmpty(const char* hostPath) {
    return hostPath && hostPath[0] == '/' ? std::string(hostPath) : std::string();
}

std::string environment(const char* name) {
    return absoluteOrEmpty(std::getenv(name));
}

std::string windowsHostFolder() {
    if (!windowsOverride.empty()) return windowsOverride;
    std::string folder = environment("TAMRIX_WINDIR");
    if (!folder.empty()) return folder;
    std::string data = environment("XDG_DATA_HOME");
    if (data.empty()) {
        std::string home = environment("HOME");
        if (!home.empty()) data = home + "/.local/share";
    }
    return data.empty() ? std::string() : data + "/tamrix/windows";
}

// Delivers a host folder in the Windows form, without a trailing backslash unless it is the root.
uint32_t deliver(std::string hostFolder, bool trailingBackslash, char* out, uint32_t size) {
    if (size) out[0] = 0;
    if (hostFolder.empty()) return 0;
    while (hostFolder.size() > 1 && hostFolder.back() == '/') hostFolder.pop_back();
    std::string path = posix::toWindowsPath(hostFolder);
    if (trailingBackslash && path.back() != '\\') path += '\\';
    if (path.size() + 1 > size) return 0;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return uint32_t(path.size());
}

}  // namespace

void posix::setWindowsDirectory(const char* hostPath) {
    windowsOverride = absoluteOrEmpty(hostPath);
}

void posix::setSystemDirectory(const char* hostPath) {
    systemOverride = absoluteOrEmpty(hostPath);
}

uint32_t windowsDirectory(char* out, uint32_t size) {
    return deliver(windowsHostFolder(), false, out, size);
}

uint32_t systemDirectory(char* out, uint32_t size) {
    std::string folder = systemOverride;
    if (folder.empty()) folder = environment("TAMRIX_SYSTEMDIR");
    if (folder.empty()) {
        folder = windowsHostFolder();
        if (!folder.empty()) folder += "/system32";
    }
    return deliver(folder, false, out, size);
}

uint32_t tempPath(char* out, uint32_t size) {
    std::string folder = environment("TMPDIR");
    return deliver(folder.empty() ? std::string("/tmp") : folder, true, out, size);
}

}  // namespace tamrix::platform
