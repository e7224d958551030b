#include "app/run_state.h"

#include "app/settings.h"
#include "extract/decoder_callbacks.h"
#include "extract/extracted_file_list.h"
#include "extract/notification_handler.h"

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
