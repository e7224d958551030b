// The one key the stub reads, the user's shell folders, answered from the XDG user folders:
// "Desktop" is XDG_DESKTOP_DIR and "Personal" XDG_DOCUMENTS_DIR, each taken from the environment,
// else from $XDG_CONFIG_HOME/user-dirs.dirs (XDG_CONFIG_HOME defaults to $HOME/.config), else
// $HOME/Desktop and $HOME/Documents.
#include "platform/registry.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/posix/host_paths.h"

namespace tamrix::platform {

namespace {

const char kShellFoldersKey[] =
    "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
int shellFoldersKey;  // its address is the open key

std::string home() {
    const char* value = std::getenv("HOME");
    return value && value[0] == '/' ? value : "";
}

// The value of one line 'XDG_x_DIR="$HOME/..."' or '"/abs/path"'; empty when it is not usable.
std::string parseUserDirsValue(const std::string& text) {
    size_t begin = text.find('"');
    size_t end = text.rfind('"');
    if (begin == std::string::npos || end <= begin) return "";
    std::string value;
    for (size_t i = begin + 1; i < end; ++i) {
        if (text[i] == '\\' && i + 1 < end) ++i;
        value += text[i];
    }
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
        std::string base = home();
        if (base.empty()) return "";
        value = base + value.substr(5);
    }
    return value[0] == '/' ? value : "";
}

std::string userDirsFile(const std::string& variable) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder = config && config[0] == '/' ? std::string(config) : std::string();
    if (folder.empty() && !home().empty()) folder = home() + "/.config";
    if (folder.empty()) return "";
    std::ifstream in(folder + "/user-dirs.dirs");
    std::string line, found;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line.compare(start, variable.size() + 1, variable + "=") != 0) continue;
        found = parseUserDirsValue(line.substr(start + variable.size() + 1));
    }
    return found;
}

std::string userFolder(const std::string& variable, const char* fallbackName) {
    const char* value = std::getenv(variable.c_str());
    if (value && value[0] == '/') return value;
    std::string folder = userDirsFile(variable);
    if (!folder.empty()) return folder;
    std::string base = home();
    return base.empty() ? "" : base + "/" + fallbackName;
}

}  // namespace

RegistryKey registryOpenKey(RegistryRoot root, const char* keyPath) {
    if (root != kRegistryCurrentUser || ::strcasecmp(keyPath, kShellFoldersKey) != 0)
        return nullptr;
    return &shellFoldersKey;
}

bool registryQueryValue(RegistryKey key, const char* valueName, char* out, uint32_t* size) {
    if (key != &shellFoldersKey) return false;
    std::string folder;
    if (::strcasecmp(valueName, "Desktop") == 0) {
        folder = userFolder("XDG_DESKTOP_DIR", "Desktop");
    } else if (::strcasecmp(valueName, "Personal") == 0) {
        folder = userFolder("XDG_DOCUMENTS_DIR", "Documents");
    }
    if (folder.empty()) return false;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string value = posix::toWindowsPath(folder);
    if (value.size() + 1 > *size) return false;
    std::memcpy(out, value.c_str(), value.size() + 1);
    *size = uint32_t(value.size() + 1);
    return true;
}

void registryCloseKey(RegistryKey) {}

}  // namespace tamrix::platform
