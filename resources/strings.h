// The string table (ids 1 to 12) in English and Japanese.
#pragma once

#include <cstdint>


namespace tamrix {

enum StringId : uint32_t {
    kStringCannotCreateFile = 1,
    kStringCannotOpenArchive = 2,
    kStringUnsupportedFormat = 3,
    kStringCreateFolderQuestion = 4,
    kStringCannotCreateFolderShort = 5,
    kStringInvalidFileName = 6,
    kStringCannotCreateFolder = 7,
    kStringCrcError = 8,
    kStringFileDetails = 9,
    kStringInvalidPath = 10,
    kStringExtractionFailed = 11,
    kStringNextCabinetMissing = 12,
    kLastStringId = kStringNextCabinetMissing,
};

enum class Language { English, Japanese };

// Copies string id in the program's language (ANSI, system code page) into buffer, cut to
// size - 1 bytes; returns its length, 0 when there is no such string.
int loadString(uint32_t id, char* buffer, int size);

// The language loadString serves on Linux (English until set). On Windows the system's resource
// loader chooses, and this has no effect.
void setLanguage(Language language);
// The language strings and dialogs are shown in (on Windows the system picks; this is English there).
Language currentLanguage();

// The table's texts as written (UTF-8), or null for an id not in the table.
const char* stringTableText(Language language, uint32_t id);

}  // namespace tamrix
