#include <windows.h>

#include "platform/ui.h"

namespace tamrix::platform {

int messageBox(const char* text, const char* caption, uint32_t type) {
    return MessageBoxA(nullptr, text, caption, type);
}

void messageBeepAsterisk() { MessageBeep(MB_ICONASTERISK); }

// The progress window's Cancel button is the user's way out.
bool keepWaitingForCabinet(const char*) { return true; }

}  // namespace tamrix::platform
