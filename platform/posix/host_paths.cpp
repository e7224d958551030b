#include "platform/posix/host_paths.h"

#include <cctype>

namespace tamrix::platform::posix {

std::string toHostPath(const char* windowsPath) {
    std::string path(windowsPath);
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        if (std::toupper(static_cast<unsigned char>(path[0])) != 'Z') return {};
        path.erase(0, 2);
        if (path.empty()) path = "/";
        // "Z:x" is relative to the current folder of drive Z:, which is the POSIX root here.
        if (path[0] != '\\' && path[0] != '/') path.insert(path.begin(), '/');
    }
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

std::string toWindowsPath(const std::string& hostPath) {
    std::string path = hostPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    if (!path.empty() && path[0] == '\\') path.insert(0, "Z:");
    return path;
}

// Until the code-page conversion lands, the ANSI side is taken as UTF-8.
std::string ansiToUtf8(const char* ansiText) { return ansiText; }
std::string utf8ToAnsi(const std::string& utf8Text) { return utf8Text; }

}  // namespace tamrix::platform::posix
