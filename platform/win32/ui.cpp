#include "platform/ui.h"

#include <windows.h>

namespace tamrix::platform {

int messageBox(const char* text, const char* caption, uint32_t type) {
    return MessageBoxA(nullptr, text, caption, type);
}

void messageBeepAsterisk() {
    MessageBeep(MB_ICONASTERISK);
}

bool keepWaitingForCabinet(const char*, const char* text) {
    return MessageBoxA(nullptr, text, kMessageCaption, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

}  // namespace tamrix::platform
