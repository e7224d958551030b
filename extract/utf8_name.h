// Entry names that carry the cabinet's UTF-8 name attribute (0x80) are converted to the ANSI
// code page before the handler uses them, as every other name is ANSI already.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tamrix {

constexpr uint16_t kAttrUtf8Name = 0x80;

// Converts the UTF-8 name in place (it holds `capacity` bytes). False when it is not UTF-8 or a
// character has no place in the ANSI code page; the name then holds the closest form, with '?'
// for such characters, to be shown in the invalid-name message.
bool utf8NameToAnsi(char* name, size_t capacity);

}  // namespace tamrix
