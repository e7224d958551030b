// The string table (ids 1 to 16, named in resource.h) in English and Japanese.
#pragma once

#include <cstdint>

#include "resources/resource.h"

namespace tamrix {

enum StringId : uint32_t {
    kStringCannotCreateFile = IDS_CANNOT_CREATE_FILE,
    kStringCannotOpenArchive = IDS_CANNOT_OPEN_ARCHIVE,
    kStringUnsupportedFormat = IDS_UNSUPPORTED_FORMAT,
    kStringCreateFolderQuestion = IDS_CREATE_FOLDER_QUESTION,
    kStringCannotCreateFolderShort = IDS_CANNOT_CREATE_FOLDER_SHORT,
    kStringInvalidFileName = IDS_INVALID_FILE_NAME,
    kStringCannotCreateFolder = IDS_CANNOT_CREATE_FOLDER,
    kStringCrcError = IDS_CRC_ERROR,
    kStringFileDetails = IDS_FILE_DETAILS,
    kStringInvalidPath = IDS_INVALID_PATH,
    kStringExtractionFailed = IDS_EXTRACTION_FAILED,
    kStringNextCabinetMissing = IDS_NEXT_CABINET_MISSING,
    kStringCabinetDamaged = IDS_CABINET_DAMAGED,
    kStringCabinetOfAnotherSet = IDS_CABINET_OF_ANOTHER_SET,
    kStringCabinetVersionUnsupported = IDS_CABINET_VERSION_UNSUPPORTED,
    kStringOutOfMemory = IDS_OUT_OF_MEMORY,
    kLastStringId = IDS_LAST,
};

enum class Language { English, Japanese };

// Copies string id in the program's language (ANSI, system code page) into buffer, cut to
// size - 1 bytes; returns its length, 0 when there is no such string.
int loadString(uint32_t id, char* buffer, int size);

// The language loadString serves on Linux (English until set). On Windows the system's resource
// loader chooses, and this has no effect.
void setLanguage(Language language);
// The language strings and dialogs are shown in (on Windows the system picks; this is English
// there).
Language currentLanguage();

// The table's texts as written (UTF-8), or null for an id not in the table.
const char* stringTableText(Language language, uint32_t id);

}  // namespace tamrix
