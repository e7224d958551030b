#include "platform/codepage.h"

#include <windows.h>

namespace tamrix::platform {

// char16_t and WCHAR are both 16-bit UTF-16 units on this system.
static_assert(sizeof(char16_t) == sizeof(WCHAR));

int multiByteToWide(const char* text, int length, char16_t* out, int capacity) {
    return MultiByteToWideChar(CP_ACP, 0, text, length, reinterpret_cast<LPWSTR>(out), capacity);
}

int wideToMultiByte(const char16_t* text, int length, char* out, int capacity) {
    return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(text), length, out, capacity,
                               nullptr, nullptr);
}

bool isDbcsLeadByte(uint8_t byte) {
    return IsDBCSLeadByte(byte) != 0;
}

}  // namespace tamrix::platform
