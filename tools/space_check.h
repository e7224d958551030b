// Before extracting: the total the files of a cabinet set will take against the free space of the
// output folder's file system (overlapping entries can make a small cabinet write a great deal).
#pragma once

namespace tamrix::tool {

// True when the set's files fit, or when their size or the free space cannot be learned (the
// extraction then reports what goes wrong). Prints the refusal otherwise.
bool filesFitInto(const char* cabinet, const char* outputFolder);

}  // namespace tamrix::tool
