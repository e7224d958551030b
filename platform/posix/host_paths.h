// Where the Windows view of paths meets the POSIX file system: drive Z: is the POSIX root,
// backslashes become slashes, and names cross between the ANSI code page and UTF-8 (see
// platform/posix/codepage.h). Only the posix platform layer calls these.
#pragma once

#include <string>

namespace tamrix::platform::posix {

// "Z:\home\u\x" -> "/home/u/x"; "\tmp\x" -> "/tmp/x"; "sub\x" -> "sub/x". Other drive letters have
// no POSIX counterpart and yield an empty string (which no call can open).
std::string toHostPath(const char* windowsPath);

// "/home/u/x" -> "Z:\home\u\x"; a relative path keeps its form with backslashes. Every name that
// does not convert keeps a form that toHostPath turns back into the same name.
std::string toWindowsPath(const std::string& hostPath);

// Text between the stub's ANSI code page and the UTF-8 of the Linux side, with the same rules.
std::string ansiToUtf8(const char* ansiText);
std::string utf8ToAnsi(const std::string& utf8Text);

}  // namespace tamrix::platform::posix
