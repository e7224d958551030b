#include "extract/utf8_name.h"

#include "platform/codepage.h"

namespace tamrix {

namespace {

constexpr int kWideUnits = 520;

// UTF-8 to UTF-16 (with surrogate pairs); false on a malformed sequence or no room.
bool decodeUtf8(const char* text, char16_t* wide, int capacity) {
    int units = 0;
    for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p;) {
        uint32_t c = *p;
        int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0) return false;
        if (length > 1) c &= 0x7Fu >> length;
        for (int k = 1; k < length; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            c = c << 6 | (p[k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) return false;
        p += length;
        if (units + 3 > capacity) return false;
        if (c >= 0x10000) {
            c -= 0x10000;
            wide[units++] = char16_t(0xD800 + (c >> 10));
            wide[units++] = char16_t(0xDC00 + (c & 0x3FF));
        } else {
            wide[units++] = char16_t(c);
        }
    }
    wide[units] = 0;
    return true;
}

}  // namespace

bool utf8NameToAnsi(char* name, size_t capacity) {
    char16_t wide[kWideUnits];
    if (!decodeUtf8(name, wide, kWideUnits)) return false;
    if (platform::wideToMultiByte(wide, -1, name, int(capacity)) == 0) {
        name[0] = 0;
        return false;
    }
    // A character without a place in the code page comes out as '?' (or a look-alike): only a
    // conversion that comes back unchanged is taken.
    char16_t back[kWideUnits];
    if (platform::multiByteToWide(name, -1, back, kWideUnits) == 0) return false;
    for (int i = 0;; ++i) {
        if (back[i] != wide[i]) return false;
        if (wide[i] == 0) return true;
    }
}

}  // namespace tamrix
