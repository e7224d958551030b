// Names from a cabinet are outside bytes: a newline or an escape sequence in one must never
// reach the terminal or a file name as it is.
#pragma once

#include <string>

namespace tamrix::tool {

// The text with control characters (below 0x20, and 0x7F) written as \n, \r, \t or \xHH.
std::string escapeControls(const std::string& text);

// Replaces each control character by '_'; true when there was one.
bool replaceControls(std::string* text);

// The text as the contents of a JSON string (quotes and backslashes escaped, a newline as \n,
// other controls as \u00HH).
std::string jsonEscape(const std::string& text);

// Lower-case hexadecimal of the bytes.
std::string hexBytes(const std::string& bytes);

}  // namespace tamrix::tool
