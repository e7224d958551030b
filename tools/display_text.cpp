#include "tools/display_text.h"

#include <cstdio>

namespace tamrix::tool {

namespace {
bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}
}  // namespace

std::string escapeControls(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (!isControl(c)) {
            shown += char(c);
            continue;
        }
        switch (c) {
            case '\n':
                shown += "\\n";
                break;
            case '\r':
                shown += "\\r";
                break;
            case '\t':
                shown += "\\t";
                break;
            default: {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%02X", c);
                shown += code;
            }
        }
    }
    return shown;
}

bool replaceControls(std::string* text) {
    bool replaced = false;
    for (char& c : *text) {
        if (isControl(static_cast<unsigned char>(c))) {
            c = '_';
            replaced = true;
        }
    }
    return replaced;
}

std::string jsonEscape(const std::string& text) {
    std::string escaped;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += char(c);
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (isControl(c)) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04X", c);
            escaped += code;
        } else {
            escaped += char(c);
        }
    }
    return escaped;
}

std::string hexBytes(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

}  // namespace tamrix::tool
