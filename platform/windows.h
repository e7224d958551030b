// Modeless dialogs and window messages in their Win32 shape: the main thread pumps, the worker
// sends and waits until the main thread has handled the message.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// Routines the system calls back use its calling convention on 32-bit Windows.
#ifdef _WIN32
#define TAMRIX_CALLBACK __stdcall
#else
#define TAMRIX_CALLBACK
#endif

using WindowHandle = void*;
// A dialog procedure: returns non-zero when it handled the message.
using DialogProcedure = intptr_t(TAMRIX_CALLBACK*)(WindowHandle window, uint32_t message,
                                                   uintptr_t wParam, intptr_t lParam);

constexpr uint32_t kWmInitDialog = 0x0110;
constexpr uint32_t kWmCommand = 0x0111;
constexpr uint32_t kWmSysCommand = 0x0112;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmUser = 0x0400;
constexpr uintptr_t kScClose = 0xF060;
// Progress-bar messages.
constexpr uint32_t kPbmSetPos = 0x0402;
constexpr uint32_t kPbmSetRange32 = 0x0406;

// Creates modeless dialog templateId from the program's resources with no owner, shows it and
// paints it at once. A null procedure leaves every message to the default handling. Null when the
// dialog cannot be created.
WindowHandle createModelessDialog(int templateId, DialogProcedure procedure, intptr_t parameter);
void destroyWindow(WindowHandle window);

// Synchronous: returns once the window's thread has handled the message; 0 for a window that no
// longer exists.
intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t sendDlgItemMessage(WindowHandle dialog, int controlId, uint32_t message, uintptr_t wParam,
                            intptr_t lParam);
void setDlgItemText(WindowHandle dialog, int controlId, const char* text);
void postQuitMessage(int exitCode);

// Takes messages for the thread's windows until the quit message; each is offered to the dialog
// handling of `dialog` first.
void runMessageLoop(WindowHandle dialog);
// Takes at most one waiting message and handles it the same way.
void pumpOneMessage(WindowHandle dialog);

// The shell's animation (resource 161 of "shell32.dll") in a control created at run time; both
// members stay null when the library or the control is not there.
struct ShellAnimation {
    void* library;
    WindowHandle control;
};
ShellAnimation openShellAnimation(WindowHandle dialog);
void playShellAnimation(const ShellAnimation& animation);
void stopShellAnimation(const ShellAnimation& animation);
// Destroys the control and frees the library.
void closeShellAnimation(ShellAnimation& animation);

}  // namespace tamrix::platform
