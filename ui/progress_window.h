// The progress window: a bar that follows the cabinet bytes read, the name of the
// file being written, the shell's animation and a Cancel button.
#pragma once

#include <cstdint>

#include "platform/windows.h"

namespace tamrix {

constexpr uint32_t kMsgAnimationPlay = platform::kWmUser + 1;
constexpr uint32_t kMsgAnimationStop = platform::kWmUser + 2;
// Private message of the progress window: lParam = KiB of cabinet read so far.
constexpr uint32_t kMsgProgress = 1004;

// Creates the window with the cabinet's size in bytes and keeps it in runState.progressWindow.
void createProgressWindow(uint32_t cabinetSize);

intptr_t TAMRIX_CALLBACK progressWindowProcedure(platform::WindowHandle window, uint32_t message,
                                                 uintptr_t wParam, intptr_t lParam);

}  // namespace tamrix
