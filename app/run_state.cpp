#include "app/run_state.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "extract/extracted_file_list.h"
#include "paths/created_folders.h"
#include "state/run_state.h"

namespace tamrix {

void resetRunState() {
    // The memory the last run's records still hold.
    releaseExtractedFiles();
    forgetCreatedFolders();
    // Every member starts at zero but these three; zeroing the cancel flag's atomic as bytes is
    // sound because it is a plain lock-free word.
    static_assert(std::atomic<int32_t>::is_always_lock_free &&
                  sizeof(std::atomic<int32_t>) == sizeof(int32_t));
    std::memset(static_cast<void*>(&runState), 0, sizeof runState);
    runState.settings.openFolderAfter = 1;
    runState.cabinetOffset = -1;
    runState.cabinetHandles[0] = runState.cabinetHandles[1] = -1;
}

}  // namespace tamrix
