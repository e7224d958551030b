// Message boxes and beeps. Dialogs belong to ui/, which has one implementation per platform.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// Message-box types and results with the system's numeric values.
constexpr uint32_t kMbOk = 0x00;
constexpr uint32_t kMbOkCancel = 0x01;
constexpr uint32_t kMbYesNo = 0x04;
constexpr uint32_t kMbRetryCancel = 0x05;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconWarning = 0x30;
constexpr uint32_t kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdRetry = 4;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// The caption of the program's own message boxes.
inline constexpr char kMessageCaption[] = "ZER-AVE";

// Modal, no owner window. Texts are ANSI in the system code page. Returns the button pressed.
int messageBox(const char* text, const char* caption, uint32_t type);

// The information beep (the asterisk type) after the destination has been opened.
void messageBeepAsterisk();

// Asked each time the next cabinet of a set cannot be opened or used: text (which names it and
// the folder it is looked for in) in a message box with the warning icon and the buttons Retry
// and Cancel. True to try once more, false to stop.
bool keepWaitingForCabinet(const char* cabinetName, const char* text);

}  // namespace tamrix::platform
