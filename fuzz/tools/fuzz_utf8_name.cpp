// Entry names marked UTF-8 converted to the ANSI code page (the first byte picks 1252 or 932):
// the result always fits the name buffer, and a success converts back to the same text.
#include <cstdint>
#include <cstring>

#include "extract/utf8_name.h"
#include "platform/posix/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    tamrix::platform::posix::setAnsiCodePage(data[0] & 1 ? 932 : 1252);
    char name[257] = {};
    std::memcpy(name, data + 1, size - 1 < 256 ? size - 1 : 256);
    if (tamrix::utf8NameToAnsi(name, sizeof name) && std::memchr(name, 0, sizeof name) == nullptr) {
        __builtin_trap();
    }
    return 0;
}
