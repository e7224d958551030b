// The folders this run created (the destination's and those of the entries, in runState.created),
// so that the deletion after setup removes those and nothing the user had before.
#pragma once

namespace tamrix {

// Records a folder that was just created. A record that cannot grow drops the path: that folder
// merely stays.
void recordCreatedFolder(const char* path);

// Removes the recorded folders that are empty, the latest first, so that a folder goes after
// every folder created inside it. Folders that still hold anything stay.
void removeCreatedFolders();

// Frees the record; the folders stay.
void forgetCreatedFolders();

}  // namespace tamrix
