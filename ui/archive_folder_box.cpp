#include "ui/archive_folder_box.h"

#include <cstring>

#include "paths/path_text.h"
#include "platform/file_limits.h"

namespace tamrix {

bool applyArchiveFolderBox(char* text, const char* archiveName, bool ticked) {
    if (ticked) {
        // Built in a buffer with room for both, then kept only when it fits the destination.
        char work[2 * kPathSize + 2];
        size_t length = strnlen(text, kPathSize - 1);
        size_t nameLength = strnlen(archiveName, kPathSize);
        std::memcpy(work, text, length);
        work[length] = 0;
        appendBackslash(work, sizeof work);
        length = std::strlen(work);
        std::memcpy(work + length, archiveName, nameLength);
        work[length + nameLength] = 0;
        appendBackslash(work, sizeof work);
        length = std::strlen(work);
        if (length + 1 > kPathSize) return false;
        std::memcpy(text, work, length + 1);
        return true;
    }
    stripBackslash(text);
    if (archiveName[0]) {
        if (char* found = std::strstr(text, archiveName)) {
            size_t start = size_t(found - text);
            if (findLastSeparator(text, false) < long(start + std::strlen(archiveName))) {
                text[start] = 0;
            }
        }
    }
    appendBackslash(text, kPathSize);
    return true;
}

}  // namespace tamrix
