#include "paths/target_path.h"

#include <cstdio>
#include <cstring>

#include "paths/folder_tree.h"
#include "paths/path_text.h"
#include "paths/text_conversion.h"
#include "platform/codepage.h"
#include "platform/ui.h"
#include "resources/strings.h"
#include "state/run_state.h"

namespace tamrix {

namespace {

// The file part of the entry being composed, and the text of its warning.
char textBuffer[512];

bool hasForbiddenCharacter(const char* name) {
    // Tested in UTF-16, so that no trail byte is taken for one of them.
    char16_t wide[kWideBufferUnits];
    int units = platform::multiByteToWide(name, -1, wide, kWideBufferUnits);
    if (units == 0) return true;
    for (int i = 0; i + 1 < units; ++i) {
        switch (wide[i]) {
            case u':':
            case u';':
            case u'*':
            case u'?':
            case u'"':
            case u'<':
            case u'>':
            case u'|':
                return true;
            default:
                break;
        }
    }
    return false;
}

// Looked at byte by byte, with both separators, so that no reading of a double-byte name can
// hide a step from this test that the file system would then follow.
bool couldLeaveDestination(const char* name) {
    if (name[0] == '\\' || name[0] == '/') return true;
    int dots = 0;
    bool dotsAndBlanksOnly = true;
    for (const char* p = name;; ++p) {
        if (*p == 0 || *p == '\\' || *p == '/') {
            if (dotsAndBlanksOnly && dots >= 2) return true;
            if (*p == 0) return false;
            dots = 0;
            dotsAndBlanksOnly = true;
        } else if (*p == '.') {
            ++dots;
        } else if (*p != ' ') {
            dotsAndBlanksOnly = false;
        }
    }
}

}  // namespace

int refuseName(const char* name) {
    char format[128];
    loadString(kStringInvalidFileName, format, sizeof format);
    std::snprintf(textBuffer, sizeof textBuffer, format, name);
    platform::messageBox(textBuffer, platform::kMessageCaption,
                         platform::kMbOk | platform::kMbIconWarning);
    return 0;
}

void removeParentSteps(char* name) {
    size_t kept = 0;
    for (size_t read = 0; name[read]; ++read) {
        name[kept++] = name[read];
        if (kept >= 3 && name[kept - 3] == '.' && name[kept - 2] == '.' &&
            (name[kept - 1] == '\\' || name[kept - 1] == '/')) {
            kept -= 3;
        }
    }
    name[kept] = 0;
}

int composeTargetPath(const char* destination, char* name, char* out) {
    trimTrailingBlanks(name);
    size_t nameLength = std::strlen(name);
    size_t destinationLength = std::strlen(destination);
    if (nameLength == 0 || destinationLength + nameLength + 1 > kPathSize ||
        hasForbiddenCharacter(name) || couldLeaveDestination(name)) {
        return refuseName(name);
    }

    // A slash is not a folder separator here: only backslashes make folders.
    long separator = findLastSeparator(name, false);
    std::memcpy(out, destination, destinationLength);
    if (separator < 0) {
        std::memcpy(out + destinationLength, name, nameLength + 1);
        return 1;
    }
    size_t folderLength = size_t(separator) + 1;
    std::memcpy(textBuffer, name + folderLength, nameLength - folderLength + 1);
    std::memcpy(out + destinationLength, name, folderLength);
    out[destinationLength + folderLength] = 0;

    if (!createFolderTree(out)) {
        char text[128];
        loadString(kStringCannotCreateFolder, text, sizeof text);
        runState.cancelRequested = kStoppedOnFailure;
        platform::messageBox(text, platform::kMessageCaption,
                             platform::kMbOk | platform::kMbIconError);
        return -1;
    }
    if (!textBuffer[0]) return 0;
    std::memcpy(out + destinationLength + folderLength, textBuffer, nameLength - folderLength + 1);
    return 1;
}

}  // namespace tamrix
