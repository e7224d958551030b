#include "app/run_state.h"

#include <cstring>

#include "extract/extracted_file_list.h"
#include "paths/created_folders.h"
#include "state/run_state.h"

namespace tamrix {

void resetRunState() {
    // The memory the last run's records still hold.
    releaseExtractedFiles();
    forgetCreatedFolders();
    // Every member starts at zero (the cancel flag's atomic is a plain word), but these.
    std::memset(static_cast<void*>(&runState), 0, sizeof runState);
    runState.settings.openFolderAfter = 1;
    runState.cabinetOffset = -1;
    runState.cabinetHandles[0] = runState.cabinetHandles[1] = -1;
}

}  // namespace tamrix
