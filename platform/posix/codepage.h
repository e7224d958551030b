// The ANSI code page of the Linux layer: which one it is, and conversions between it and UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tamrix::platform::posix {

// 1252 until set; 932 for Japanese. False (and the page unchanged) when the C library cannot
// convert the page.
bool setAnsiCodePage(uint32_t codePage);
uint32_t ansiCodePage();

// Reversible conversions for names and paths. A byte that does not decode in the code page
// passes through to UTF-8 unchanged; a UTF-8 sequence with no counterpart in the code page (or
// not valid UTF-8) becomes "<XX>" per byte, and so does every '<', which Windows never allows
// in a name. ansiToUtf8Name undoes those escapes, so every Linux name keeps a usable ANSI form.
std::string ansiToUtf8Name(std::string_view ansi);
std::string utf8ToAnsiName(std::string_view utf8);

// For display texts: characters the code page lacks become '?', as on the system.
std::string utf8ToAnsiText(std::string_view utf8);

}  // namespace tamrix::platform::posix
