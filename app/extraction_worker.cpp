#include "app/extraction_worker.h"

#include "cab/decoder.h"
#include "extract/decoder_callbacks.h"
#include "extract/notification_handler.h"
#include "paths/path_text.h"
#include "state/run_state.h"
#include "ui/progress_window.h"

namespace tamrix {

uint32_t TAMRIX_CALLBACK extractionWorker(void* parameter) {
    const char* packagePath = static_cast<const char*>(parameter);
    // The record keeps an error the copy recovered from (a next cabinet found on Retry), so the
    // copy's own result decides.
    DecoderErrorRecord error = {0, 0, 0};
    CabinetDecoder* decoder = createDecoder(decoderAlloc, decoderFree, decoderOpen, decoderRead,
                                            decoderWrite, decoderClose, decoderSeek, -1, &error);
    bool copied = false;
    if (decoder) {
        char cabinetFolder[kPathSize];
        char cabinetName[kPathSize];
        splitPath(packagePath, cabinetFolder, cabinetName);
        copied = copyCabinet(decoder, cabinetName, cabinetFolder, 0, notificationHandler, nullptr,
                             nullptr);
        if (!copied) discardFileInFlight();
        destroyDecoder(decoder);
    }
    // Without a decoder nothing was extracted: that is a failure too.
    runState.extractionFailed = !copied;
    platform::sendMessage(runState.progressWindow, platform::kWmClose, 0, 0);
    return 0;
}

}  // namespace tamrix
