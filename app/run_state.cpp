#include "app/run_state.h"

#include "app/extraction_worker.h"
#include "extract/decoder_callbacks.h"
#include "extract/extracted_file_list.h"
#include "extract/notification_handler.h"
#include "paths/created_folders.h"
#include "state/settings.h"
#include "ui/progress_window.h"

namespace tamrix {

void resetRunState() {
    resetSettings();
    cabinetOffset = -1;
    cancelRequested = kNotStopped;
    progressWindow = nullptr;
    resetDecoderCallbacks();
    resetNotificationHandler();
    releaseExtractedFiles();
    forgetCreatedFolders();
    extractionFailed = false;
}

}  // namespace tamrix
