#include "platform/windows.h"

#include <windows.h>

#include "platform/module.h"

namespace tamrix::platform {

WindowHandle createModelessDialog(int templateId, DialogProcedure procedure, intptr_t parameter) {
    HWND window = CreateDialogParamA(
        static_cast<HINSTANCE>(moduleInstance), MAKEINTRESOURCEA(templateId), nullptr,
        reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(procedure)), parameter);
    if (window) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return window;
}
void destroyWindow(WindowHandle window) {
    DestroyWindow(static_cast<HWND>(window));
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageA(static_cast<HWND>(window), message, wParam, lParam);
}
intptr_t sendDlgItemMessage(WindowHandle dialog, int controlId, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    return SendDlgItemMessageA(static_cast<HWND>(dialog), controlId, message, wParam, lParam);
}
void setDlgItemText(WindowHandle dialog, int controlId, const char* text) {
    SetDlgItemTextA(static_cast<HWND>(dialog), controlId, text);
}
void postQuitMessage(int exitCode) {
    PostQuitMessage(exitCode);
}

namespace {
void handle(WindowHandle dialog, MSG& message) {
    if (!IsDialogMessageA(static_cast<HWND>(dialog), &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
}  // namespace

void runMessageLoop(WindowHandle dialog) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) handle(dialog, message);
}

void pumpOneMessage(WindowHandle dialog) {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) handle(dialog, message);
}

}  // namespace tamrix::platform

namespace tamrix::platform {

namespace {
constexpr int kShellAnimationResource = 161;
constexpr DWORD kAnimationStyle = 0x50000006;  // child, visible, transparent, auto-play
}  // namespace

ShellAnimation openShellAnimation(WindowHandle dialog) {
    ShellAnimation animation = {LoadLibraryA("shell32.dll"), nullptr};
    if (!animation.library) return animation;
    HWND control = CreateWindowExA(0, "SysAnimate32", "", kAnimationStyle, 0, 0, 0, 0,
                                   static_cast<HWND>(dialog), reinterpret_cast<HMENU>(1),
                                   static_cast<HINSTANCE>(animation.library), nullptr);
    if (control) {
        SendMessageA(control, 1124, 0, kShellAnimationResource);  // open (and auto-play)
        SetWindowPos(control, nullptr, 50, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    animation.control = control;
    return animation;
}

void playShellAnimation(const ShellAnimation& animation) {
    if (animation.control) {
        SendMessageA(static_cast<HWND>(animation.control), 1125, WPARAM(-1), MAKELPARAM(0, 0xFFFF));
    }
}

void stopShellAnimation(const ShellAnimation& animation) {
    if (animation.control) SendMessageA(static_cast<HWND>(animation.control), 1126, 0, 0);
}

void closeShellAnimation(ShellAnimation& animation) {
    if (animation.control) DestroyWindow(static_cast<HWND>(animation.control));
    if (animation.library) FreeLibrary(static_cast<HMODULE>(animation.library));
    animation = {nullptr, nullptr};
}

}  // namespace tamrix::platform
