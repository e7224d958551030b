#include "app/extraction_worker.h"

#include "cab/decoder.h"
#include "extract/decoder_callbacks.h"
#include "extract/notification_handler.h"
#include "paths/path_text.h"
#include "state/settings.h"
#include "ui/progress_window.h"

namespace tamrix {

uint32_t TAMRIX_CALLBACK extractionWorker(void* parameter) {
    const char* packagePath = static_cast<const char*>(parameter);
    DecoderErrorRecord error = {0, 0, 0};
    CabinetDecoder* decoder = createDecoder(decoderAlloc, decoderFree, decoderOpen, decoderRead,
                                            decoderWrite, decoderClose, decoderSeek, -1, &error);
    if (decoder) {
        char cabinetFolder[kPathSize];
        char cabinetName[kPathSize];
        splitPath(packagePath, cabinetFolder, cabinetName);
        if (!copyCabinet(decoder, cabinetName, cabinetFolder, 0, notificationHandler, nullptr,
                         nullptr)) {
            discardFileInFlight();
        }
        destroyDecoder(decoder);
    }
    platform::sendMessage(progressWindow, platform::kWmClose, 0, 0);
    return 0;
}

}  // namespace tamrix
