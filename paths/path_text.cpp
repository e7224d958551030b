#include "paths/path_text.h"

#include <cstring>

#include "paths/text_conversion.h"
#include "platform/codepage.h"

namespace tamrix {

namespace {

bool copyFitting(char* out, size_t size, const char* begin, size_t length) {
    if (!out) return true;
    if (length + 1 > size) return false;
    std::memcpy(out, begin, length);
    out[length] = 0;
    return true;
}

}  // namespace

bool endsInTrailByte(const char* text, size_t index) {
    size_t position = 0;
    while (position < index && text[position]) {
        position += platform::isDbcsLeadByte(uint8_t(text[position])) && text[position + 1] ? 2 : 1;
    }
    return position > index;
}

bool appendBackslash(char* text, size_t size) {
    size_t length = std::strlen(text);
    if (length == 0) return true;
    if (text[length - 1] == '\\' && !endsInTrailByte(text, length - 1)) return true;
    if (length + 2 > size) return false;
    text[length] = '\\';
    text[length + 1] = 0;
    return true;
}

void stripBackslash(char* text) {
    size_t length = std::strlen(text);
    if (length == 0) return;
    // Looked at in UTF-16, where a 0x5C trail byte is part of another character.
    char16_t wide[kWideBufferUnits];
    int units = platform::multiByteToWide(text, -1, wide, kWideBufferUnits);
    if (units >= 2 && wide[units - 2] == u'\\') text[length - 1] = 0;
}

void trimTrailingBlanks(char* text) {
    size_t length = std::strlen(text);
    while (length && text[length - 1] == ' ') text[--length] = 0;
}

void slashesToBackslashes(char* text) {
    for (; *text; ++text) {
        if (*text == '/') *text = '\\';
    }
}

long findLastSeparator(const char* text, bool slashToo, size_t start) {
    long last = -1;
    for (size_t i = start; text[i];) {
        if (platform::isDbcsLeadByte(uint8_t(text[i])) && text[i + 1]) {
            i += 2;
            continue;
        }
        if (text[i] == '\\' || (slashToo && text[i] == '/')) last = long(i);
        ++i;
    }
    return last;
}

void splitPath(const char* path, char* folderOut, char* nameOut, size_t folderSize,
               size_t nameSize) {
    if (folderOut && folderSize) folderOut[0] = 0;
    if (nameOut && nameSize) nameOut[0] = 0;
    if (!path || !path[0]) return;
    size_t drive = path[1] == ':' && !platform::isDbcsLeadByte(uint8_t(path[0])) ? 2 : 0;
    long separator = findLastSeparator(path, true, drive);
    size_t nameStart = separator >= 0 ? size_t(separator) + 1 : drive;
    if (!copyFitting(folderOut, folderSize, path, nameStart) && folderSize) folderOut[0] = 0;
    if (!copyFitting(nameOut, nameSize, path + nameStart, std::strlen(path + nameStart)) &&
        nameSize) {
        nameOut[0] = 0;
    }
}

}  // namespace tamrix
