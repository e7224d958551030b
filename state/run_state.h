// Everything one run of the front-end changes as it goes, shared by its layers and threads: one
// instance, brought to a run's start by resetRunState (app/run_state.h) and by nothing else.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/file_limits.h"
#include "platform/global_memory.h"
#include "platform/windows.h"
#include "state/settings.h"

namespace tamrix {

// Why the extraction is being stopped, the values of cancelRequested. The user's own stop is
// not a failure: the run then ends quietly, with the exit code of a run that did what it was asked.
enum StopReason : int32_t {
    kNotStopped = 0,
    // Cancel or the close box of the progress window, Cancel in the file-replace question, a
    // missing next cabinet the user chose not to supply.
    kStoppedByUser = 100,
    // An entry's folder could not be created.
    kStoppedOnFailure = -1,
};

// The process exit code: 0 when the run did what it was asked or the user stopped it, 1 when it
// failed (the package could not be read, the CRC check stopped it, the destination could not be
// made, the extraction failed).
enum RunExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,
};

// The paths of the files written, for the deletion after setup: NUL-terminated paths back to back
// in one growable zero-filled block, closed by an empty string.
struct ExtractedFileList {
    uint32_t byteCount;  // 0 while the list is empty
    platform::GlobalBlock block;
    char* address;
};

// The folders this run created: NUL-terminated paths back to back, in the order of creation.
struct CreatedFolders {
    char* paths;
    uint32_t used;
    uint32_t capacity;
};

// A plain aggregate with static storage, so that the stub reaches every member at a fixed address.
struct RunState {
    Settings settings;
    // File offset of the cabinet inside the package file; -1 when none was found. The decoder's
    // file callbacks add it to absolute seeks in the package file.
    int32_t cabinetOffset;
    // 0 = go on; otherwise a StopReason.
    std::atomic<int32_t> cancelRequested;

    // The folders created so far (paths/created_folders.h).
    CreatedFolders created;

    // The progress window while it exists, null otherwise, and its animation.
    platform::WindowHandle progressWindow;
    platform::ShellAnimation animation;
    // Set by the Newer button of the file-replace question (which then answers Yes): from then on
    // only older files are replaced.
    uint32_t newerOnly;

    // The package file's handles that the decoder opened as cabinets (-1: slot free), and the
    // cabinet bytes read so far, which the progress bar follows.
    int32_t cabinetHandles[2];
    uint32_t cabinetBytesRead;
    ExtractedFileList extractedFiles;
    // The file being extracted: its path, its declared size, the handler's answer to its
    // FileBegin, and whether it is open for writing (between its FileBegin and FileEnd).
    char targetPath[kPathSize];
    uint32_t expectedSize;
    int32_t fileAccepted;
    bool fileInFlight;

    // Set when the decoder could not be created or the copy did not complete (whatever the
    // reason, the user's stop included). Read by the main thread once the worker has ended.
    bool extractionFailed;
};

extern RunState runState;

}  // namespace tamrix
