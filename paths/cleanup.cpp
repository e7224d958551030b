#include "paths/cleanup.h"

#include <cstring>

#include "paths/path_text.h"
#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/folder_listing.h"

namespace tamrix {

namespace {

constexpr size_t kPatternSize = 520;
constexpr size_t kSubFolderSize = 512;

char foldedAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Case-insensitive for single-byte characters only, so that no trail byte is folded; one trailing
// backslash on either side is ignored.
bool samePath(const char* a, const char* b) {
    size_t lengthA = std::strlen(a), lengthB = std::strlen(b);
    if (lengthA && a[lengthA - 1] == '\\' && !endsInTrailByte(a, lengthA - 1)) --lengthA;
    if (lengthB && b[lengthB - 1] == '\\' && !endsInTrailByte(b, lengthB - 1)) --lengthB;
    if (lengthA != lengthB) return false;
    for (size_t i = 0; i < lengthA; ++i) {
        if (platform::isDbcsLeadByte(uint8_t(a[i])) && i + 1 < lengthA) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (foldedAscii(a[i]) != foldedAscii(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

int removeEmptyFolders(const char* folder, const char* root) {
    size_t length = std::strlen(folder);
    if (length == 0 || folder[length - 1] == '.') return 0;

    char pattern[kPatternSize];
    if (length + 1 > sizeof pattern) return 0;
    std::memcpy(pattern, folder, length + 1);
    if (!appendBackslash(pattern, sizeof pattern)) return 0;
    size_t base = std::strlen(pattern);
    if (base + 4 > sizeof pattern) return 0;
    std::memcpy(pattern + base, "*.*", 4);

    platform::FindData entry;
    platform::FindHandle listing = platform::findFirstFile(pattern, &entry);
    if (listing == platform::kInvalidFindHandle) return 0;
    pattern[base] = 0;

    bool isRoot = samePath(folder, root);
    // Read-only goes first, so that on a system where it guards a folder's entries the
    // sub-folders can go too; the folder's attributes end up the same either way.
    if (!isRoot) platform::setFileAttributes(folder, platform::kAttrArchive);

    do {
        if (!(entry.attributes & platform::kAttrDirectory) || !std::strcmp(entry.name, ".") ||
            !std::strcmp(entry.name, "..")) {
            continue;
        }
        char subFolder[kSubFolderSize];
        size_t nameLength = std::strlen(entry.name);
        if (base + nameLength + 1 > sizeof subFolder) continue;
        std::memcpy(subFolder, pattern, base);
        std::memcpy(subFolder + base, entry.name, nameLength + 1);
        removeEmptyFolders(subFolder, root);
    } while (platform::findNextFile(listing, &entry));
    platform::findClose(listing);

    if (!isRoot) {
        platform::setFileAttributes(folder, platform::kAttrArchive);
        platform::removeDirectory(folder);
    }
    return 1;
}

}  // namespace tamrix
