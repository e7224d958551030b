#include "app/run_state.h"

#include "extract/decoder_callbacks.h"
#include "extract/extracted_file_list.h"
#include "extract/notification_handler.h"
#include "state/settings.h"
#include "ui/progress_window.h"

namespace tamrix {

void resetRunState() {
    resetSettings();
    cabinetOffset = -1;
    cancelRequested = 0;
    progressWindow = nullptr;
    resetDecoderCallbacks();
    resetNotificationHandler();
    releaseExtractedFiles();
}

}  // namespace tamrix
