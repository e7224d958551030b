#include "ui/progress_window.h"

#include "platform/ui.h"
#include "resources/resource.h"
#include "state/run_state.h"

namespace tamrix {

void createProgressWindow(uint32_t cabinetSize) {
    runState.progressWindow = platform::createModelessDialog(IDD_PROGRESS, progressWindowProcedure,
                                                             intptr_t(cabinetSize));
}

intptr_t TAMRIX_CALLBACK progressWindowProcedure(platform::WindowHandle window, uint32_t message,
                                                 uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case platform::kWmInitDialog:
            platform::sendDlgItemMessage(window, IDC_PROGRESS_BAR, platform::kPbmSetRange32, 0,
                                         int32_t(lParam) / 1024);
            runState.animation = platform::openShellAnimation(window);
            return 1;
        case platform::kWmCommand:
            if (wParam != platform::kIdCancel) return 0;
            // The window stays until the worker, which notices the stop, asks it to close.
            runState.cancelRequested = kStoppedByUser;
            return 1;
        case platform::kWmSysCommand:
            if ((wParam & 0xFFF0) != platform::kScClose) return 0;
            runState.cancelRequested = kStoppedByUser;
            platform::destroyWindow(window);
            platform::postQuitMessage(0);
            return 1;
        case platform::kWmClose:
            platform::closeShellAnimation(runState.animation);
            platform::destroyWindow(window);
            platform::postQuitMessage(0);
            return 1;
        case kMsgProgress:
            platform::sendDlgItemMessage(window, IDC_PROGRESS_BAR, platform::kPbmSetPos,
                                         uintptr_t(lParam), 0);
            return 0;
        case kMsgAnimationPlay:
            platform::playShellAnimation(runState.animation);
            return 1;
        case kMsgAnimationStop:
            platform::stopShellAnimation(runState.animation);
            return 1;
        default:
            return 0;
    }
}

}  // namespace tamrix
