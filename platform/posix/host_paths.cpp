#include "platform/posix/host_paths.h"

#include <cctype>

#include "platform/posix/codepage.h"

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
    // Converted first: in a double-byte code page a 0x5C byte may be half of a character.
    path = ansiToUtf8Name(path);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

std::string toWindowsPath(const std::string& hostPath) {
    // A 0x2F byte is never part of a double-byte character, so slashes can be replaced after
    // the conversion; a 0x5C trail byte stays what it is.
    std::string path = utf8ToAnsiName(hostPath);
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    if (!path.empty() && path[0] == '\\') path.insert(0, "Z:");
    return path;
}

std::string ansiToUtf8(const char* ansiText) {
    return ansiToUtf8Name(ansiText);
}

std::string utf8ToAnsi(const std::string& utf8Text) {
    return utf8ToAnsiName(utf8Text);
}

}  // namespace tamrix::platform::posix
