// Creating every missing folder of an absolute path.
#pragma once

namespace tamrix {

// path: an ANSI folder path in the drive form (D:\a\b) or the network form (\\server\share\a).
// Creates the missing levels from the root down; returns 1 when all exist afterwards, 0 when the
// path is relative or malformed, a level cannot be created (a file of that name counts as
// existing, so the level below it fails), or the path is longer than a path buffer. Every level it
// creates is recorded as created by this run.
int createFolderTree(const char* path);

}  // namespace tamrix
