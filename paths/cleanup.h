// Removing the folders that the deletion after setup has left empty.
#pragma once

namespace tamrix {

// Removes folder and every folder below it that holds no files, bottom-up, never root itself
// (compared ignoring case and a trailing backslash). Files are never touched; a folder that
// still holds anything stays. Returns 0 when nothing was done (the folder text ends in a dot, or
// the folder cannot be listed), else 1.
int removeEmptyFolders(const char* folder, const char* root);

}  // namespace tamrix
