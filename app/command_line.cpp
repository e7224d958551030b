#include "app/command_line.h"

#include <cctype>
#include <cstring>

#include "platform/filesystem.h"
#include "state/run_state.h"

namespace tamrix {

namespace {

// Read as unsigned: bytes from 128 up are letters of the code page (an accented letter, either
// byte of a double-byte character), never blanks.
bool aboveBlank(char c) {
    return static_cast<unsigned char>(c) > 32;
}

// Copies [begin, end) into a field of `size` bytes; false when it does not fit with its NUL.
bool copyBounded(char* field, uint32_t size, const char* begin, const char* end) {
    size_t length = size_t(end - begin);
    if (length + 1 > size) return false;
    std::memcpy(field, begin, length);
    field[length] = 0;
    return true;
}

void trimTrailingBlanksIn(char* text) {
    size_t length = std::strlen(text);
    while (length && text[length - 1] == ' ') text[--length] = 0;
}

// Splits at runs of double quotes, like the C tokeniser with '"' as the only separator.
const char* nextQuotedToken(char*& cursor) {
    while (*cursor == '"') ++cursor;
    if (!*cursor) return nullptr;
    char* token = cursor;
    while (*cursor && *cursor != '"') ++cursor;
    if (*cursor) *cursor++ = 0;
    return token;
}

bool namesExistingFile(const char* path) {
    uint32_t attributes = platform::getFileAttributes(path);
    return attributes != platform::kInvalidAttributes && !(attributes & platform::kAttrDirectory);
}

// The option scan; overwrites the quotes and end characters of /E values with blanks. Sets mark to
// the end of the last option (or leaves it null). False when a value does not fit its field.
bool scanOptions(char* b, char*& mark) {
    char* end = b + std::strlen(b);
    char* cursor = b;
    while (*cursor) {
        if (*cursor != '/') {
            ++cursor;
            continue;
        }
        char letter = char(std::toupper(static_cast<unsigned char>(cursor[1])));
        switch (letter) {
            case 'D':
                runState.settings.deleteAfterSetup = 1;
                break;
            case 'H':
                runState.settings.skipDestinationDialog = 1;
                break;
            case 'N':
                runState.settings.openFolderAfter = 0;
                break;
            case 'O':
                runState.settings.autoConfirm = 1;
                break;
            case 'E':
                break;
            case 0:
                return true;
            default:
                cursor += 2;
                continue;
        }
        if (letter != 'E') {
            cursor += 2;
            mark = cursor;
            continue;
        }
        if (cursor[2] != ':') {
            // The character after the E is skipped with it.
            cursor += cursor[2] ? 3 : 2;
            continue;
        }
        char* value = cursor + 3;
        char endCharacter = ' ';
        if (*value == '"') {
            *value++ = ' ';
            endCharacter = '"';
        }
        char* valueEnd = std::strchr(value, endCharacter);
        if (!copyBounded(runState.settings.setupCommand, sizeof runState.settings.setupCommand,
                         value, valueEnd ? valueEnd : end)) {
            return false;
        }
        if (valueEnd) {
            *valueEnd = ' ';
            mark = valueEnd + 1;
        } else {
            mark = end;
        }
        if (endCharacter == '"') {
            // Slashes inside quotes are the setup command's own options.
            cursor = mark;
        } else {
            // An unquoted value holds no blank; an option glued to it still counts.
            cursor = *value ? value + 1 : value;
        }
    }
    return true;
}

}  // namespace

const char* isolateCommandTail(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (aboveBlank(*p)) ++p;
    }
    while (*p && !aboveBlank(*p)) ++p;
    return p;
}

int parseCommandLine(const char* tail, char* packagePath) {
    char b[kTailBufferSize];
    if (std::strlen(tail) + 1 > sizeof b) return 0;
    std::strcpy(b, tail);
    char* end = b + std::strlen(b);
    char* mark = nullptr;

    if (!scanOptions(b, mark)) return 0;
    if (!runState.settings.setupCommand[0]) runState.settings.deleteAfterSetup = 0;

    packagePath[0] = 0;
    if (char* quote = std::strchr(b, '"')) {
        char* cursor = quote;
        const char* first = nextQuotedToken(cursor);
        const char* second = first ? nextQuotedToken(cursor) : nullptr;
        const char* third = second ? nextQuotedToken(cursor) : nullptr;
        if (first && !copyBounded(packagePath, kPathSize, first, first + std::strlen(first))) {
            return 0;
        }
        if (second && second[0] == ' ' && third && third[0] && !namesExistingFile(third)) {
            if (!copyBounded(runState.settings.destination, kPathSize, third,
                             third + std::strlen(third))) {
                return 0;
            }
        }
    } else if (!mark) {
        if (!copyBounded(packagePath, kPathSize, b, end)) return 0;
    } else if (mark == end) {
        char* slash = std::strchr(b, '/');
        if (!copyBounded(packagePath, kPathSize, b, slash ? slash : end)) return 0;
    } else {
        while (*mark == ' ') ++mark;
        if (!copyBounded(packagePath, kPathSize, mark, end)) return 0;
    }

    if (packagePath[0]) {
        trimTrailingBlanksIn(packagePath);
        char found[kPathSize];
        if (!platform::searchPath(packagePath, found, sizeof found)) return 0;
        if (!namesExistingFile(packagePath)) return 0;
        // A bare or relative name is resolved against the current folder, so that the package's
        // folder (the base of relative destinations) is never empty.
        if (!platform::fullPathName(packagePath, found, sizeof found)) return 0;
        std::memcpy(packagePath, found, std::strlen(found) + 1);
    }
    return 1;
}

}  // namespace tamrix
