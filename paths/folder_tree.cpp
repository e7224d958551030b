#include "paths/folder_tree.h"

#include <cstring>

#include "paths/created_folders.h"
#include "paths/text_conversion.h"
#include "platform/codepage.h"
#include "platform/file_limits.h"
#include "platform/filesystem.h"

namespace tamrix {

namespace {

// Index of the next backslash at or after from, or -1.
int nextBackslash(const char16_t* text, int from) {
    for (int i = from; text[i]; ++i) {
        if (text[i] == u'\\') return i;
    }
    return -1;
}

// Index of the backslash that ends the root, or -1 when the path has no absolute root.
int rootEnd(const char16_t* wide, int length) {
    if (length >= 3 && wide[1] == u':' && wide[2] == u'\\') return 2;
    if (length >= 8 && wide[0] == u'\\' && wide[1] == u'\\') {
        int afterServer = nextBackslash(wide, 2);
        return afterServer < 0 ? -1 : nextBackslash(wide, afterServer + 1);
    }
    return -1;
}

}  // namespace

int createFolderTree(const char* path) {
    // The walk runs on UTF-16, where no 0x5C trail byte looks like a separator.
    char16_t wide[kWideBufferUnits + 1];
    int units = platform::multiByteToWide(path, -1, wide, kWideBufferUnits);
    if (units < 2) return 0;
    int length = units - 1;
    int end = rootEnd(wide, length);
    if (end < 0) return 0;
    if (wide[length - 1] != u'\\') {
        wide[length++] = u'\\';
        wide[length] = 0;
    }

    char folder[kPathSize] = {};
    size_t folderLength = 0;
    for (int start = 0; end >= 0; start = end + 1, end = nextBackslash(wide, start)) {
        char piece[kPathSize];
        int bytes = 0;
        if (end > start) {
            bytes = platform::wideToMultiByte(wide + start, end - start, piece, sizeof piece);
            if (bytes == 0) return 0;
        }
        if (folderLength + size_t(bytes) + 2 > sizeof folder) return 0;
        std::memcpy(folder + folderLength, piece, size_t(bytes));
        folderLength += size_t(bytes);
        folder[folderLength++] = '\\';
        folder[folderLength] = 0;
        if (platform::getFileAttributes(folder) == platform::kInvalidAttributes) {
            if (!platform::createDirectory(folder)) return 0;
            recordCreatedFolder(folder);
        }
    }
    return 1;
}

}  // namespace tamrix
