// The file-replace dialog, owned by the progress window.
#include "ui/replace_dialog.h"

#include <windows.h>

#include <cstdio>

#include "paths/path_text.h"
#include "platform/file_limits.h"
#include "platform/module.h"
#include "resources/resource.h"
#include "state/run_state.h"
#include "ui/file_details.h"
#include "ui/progress_window.h"

namespace tamrix {

namespace {

void showDetails(HWND dialog, int control, uint32_t stamp, uint32_t size) {
    char format[128];
    if (!stamp || !formatFileDetails(stamp, format)) return;
    char text[160];
    const char* grouped = groupThousands(size);
    std::snprintf(text, sizeof text, format, grouped ? grouped : "");
    SetDlgItemTextA(dialog, control, text);
}

INT_PTR CALLBACK replaceProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* prompt = reinterpret_cast<const ReplacePrompt*>(lParam);
            char fileName[kPathSize];
            splitPath(prompt->path, nullptr, fileName);
            char templateText[64];
            char text[64 + kPathSize];
            GetDlgItemTextA(dialog, IDC_REPLACE_NAME, templateText, sizeof templateText);
            std::snprintf(text, sizeof text, templateText, fileName);
            SetDlgItemTextA(dialog, IDC_REPLACE_NAME, text);
            SHFILEINFOA info = {};
            SHGetFileInfoA(prompt->path, 0, &info, sizeof info, SHGFI_ICON);
            SendDlgItemMessageA(dialog, IDC_REPLACE_EXISTING_ICON, STM_SETICON, WPARAM(info.hIcon),
                                0);
            SendDlgItemMessageA(dialog, IDC_REPLACE_NEW_ICON, STM_SETICON, WPARAM(info.hIcon), 0);
            showDetails(dialog, IDC_REPLACE_EXISTING_DETAILS, prompt->existingStamp,
                        prompt->existingSize);
            showDetails(dialog, IDC_REPLACE_NEW_DETAILS, prompt->newStamp, prompt->newSize);
            return TRUE;
        }
        case WM_COMMAND:
            switch (wParam) {
                case IDYES:
                    EndDialog(dialog, kReplaceYes);
                    return TRUE;
                case IDNO:
                    EndDialog(dialog, kReplaceNo);
                    return TRUE;
                case IDC_REPLACE_YES_TO_ALL:
                    EndDialog(dialog, kReplaceYesToAll);
                    return TRUE;
                case IDC_REPLACE_NEWER:
                    runState.newerOnly = 1;
                    EndDialog(dialog, kReplaceYes);
                    return TRUE;
                case IDC_REPLACE_CANCEL:
                case IDCANCEL:
                    EndDialog(dialog, kReplaceCancel);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_DESTROY: {
            // Both icon controls share the one icon: destroy it once.
            HICON icon =
                HICON(SendDlgItemMessageA(dialog, IDC_REPLACE_EXISTING_ICON, STM_GETICON, 0, 0));
            if (icon) DestroyIcon(icon);
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

int askReplace(const ReplacePrompt& prompt) {
    SendMessageA(static_cast<HWND>(runState.progressWindow), kMsgAnimationStop, 0, 0);
    INT_PTR answer =
        DialogBoxParamA(static_cast<HINSTANCE>(platform::moduleInstance),
                        MAKEINTRESOURCEA(IDD_REPLACE), static_cast<HWND>(runState.progressWindow),
                        replaceProcedure, reinterpret_cast<LPARAM>(&prompt));
    SendMessageA(static_cast<HWND>(runState.progressWindow), kMsgAnimationPlay, 0, 0);
    return int(answer);
}

}  // namespace tamrix
