// The Linux desktop's own way of showing a folder, for the interactions that stand for a user.
#pragma once

namespace tamrix::platform::posix {

// Opens the folder (a Windows path) with xdg-open when there is a display (DISPLAY or
// WAYLAND_DISPLAY set) and an opener on PATH; otherwise prints "Extracted to <folder>" on stdout,
// the folder as a Linux path.
void openFolderOnDesktop(const char* folder);

}  // namespace tamrix::platform::posix
