// The destination dialog: a folder typed or browsed to, and a check box that appends a
// folder named after the archive. It edits settings.destination.
#pragma once

namespace tamrix {

// 1 for OK (settings.destination then holds the edit text), 2 for Cancel, -1 when the dialog
// cannot be shown.
int showDestinationDialog(const char* archiveName);

}  // namespace tamrix
