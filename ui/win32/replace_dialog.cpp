// The file-replace dialog (2007), owned by the progress window.
#include <windows.h>

#include <cstdio>

#include "paths/path_text.h"
#include "platform/file_limits.h"
#include "platform/module.h"
#include "state/run_state.h"
#include "ui/file_details.h"
#include "ui/progress_window.h"
#include "ui/replace_dialog.h"

namespace tamrix {

namespace {

constexpr int kReplaceDialog = 2007;
constexpr int kExistingDetails = 1005;
constexpr int kNewDetails = 1008;
constexpr int kNameTemplate = 1009;
constexpr int kExistingIcon = 1010;
constexpr int kNewIcon = 1011;
constexpr int kYesToAllButton = 1003;
constexpr int kNewerButton = 1004;
constexpr int kCancelButton = 1007;

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
            GetDlgItemTextA(dialog, kNameTemplate, templateText, sizeof templateText);
            std::snprintf(text, sizeof text, templateText, fileName);
            SetDlgItemTextA(dialog, kNameTemplate, text);
            SHFILEINFOA info = {};
            SHGetFileInfoA(prompt->path, 0, &info, sizeof info, SHGFI_ICON);
            SendDlgItemMessageA(dialog, kExistingIcon, STM_SETICON, WPARAM(info.hIcon), 0);
            SendDlgItemMessageA(dialog, kNewIcon, STM_SETICON, WPARAM(info.hIcon), 0);
            showDetails(dialog, kExistingDetails, prompt->existingStamp, prompt->existingSize);
            showDetails(dialog, kNewDetails, prompt->newStamp, prompt->newSize);
            return TRUE;
        }
        case WM_COMMAND:
            switch (wParam) {
                case IDYES: EndDialog(dialog, kReplaceYes); return TRUE;
                case IDNO: EndDialog(dialog, kReplaceNo); return TRUE;
                case kYesToAllButton: EndDialog(dialog, kReplaceYesToAll); return TRUE;
                case kNewerButton:
                    runState.newerOnly = 1;
                    EndDialog(dialog, kReplaceYes);
                    return TRUE;
                case kCancelButton:
                case IDCANCEL: EndDialog(dialog, kReplaceCancel); return TRUE;
                default: return FALSE;
            }
        case WM_DESTROY: {
            // Both icon controls share the one icon: destroy it once.
            HICON icon = HICON(SendDlgItemMessageA(dialog, kExistingIcon, STM_GETICON, 0, 0));
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
    INT_PTR answer = DialogBoxParamA(static_cast<HINSTANCE>(platform::moduleInstance),
                                     MAKEINTRESOURCEA(kReplaceDialog),
                                     static_cast<HWND>(runState.progressWindow), replaceProcedure,
                                     reinterpret_cast<LPARAM>(&prompt));
    SendMessageA(static_cast<HWND>(runState.progressWindow), kMsgAnimationPlay, 0, 0);
    return int(answer);
}

}  // namespace tamrix
