// Small operations on ANSI paths that never take the second byte of a double-byte character for
// a separator.
#pragma once

#include <cstddef>

#include "platform/file_limits.h"

namespace tamrix {

// True when the byte at index is the second byte of a double-byte character.
bool endsInTrailByte(const char* text, size_t index);

// Appends a backslash unless the text ends in a real one. size is the text's buffer size; false
// (text unchanged) when the backslash does not fit. An empty text stays empty.
bool appendBackslash(char* text, size_t size = kPathSize);

// Removes one real trailing backslash.
void stripBackslash(char* text);

// Removes trailing spaces (not tabs).
void trimTrailingBlanks(char* text);

void slashesToBackslashes(char* text);

// D:\Apps\x\setup.exe gives folder D:\Apps\x\ and name setup.exe; a bare name gives an empty
// folder. Either output may be null; an output that would not fit its size is left empty.
void splitPath(const char* path, char* folderOut, char* nameOut, size_t folderSize = kPathSize,
               size_t nameSize = kPathSize);

// Position of the last real separator (a backslash, or a slash too when slashToo) from start
// on, or -1.
long findLastSeparator(const char* text, bool slashToo, size_t start = 0);

}  // namespace tamrix
