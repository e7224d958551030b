// The run-time settings and the other state that the stub's threads share.
#pragma once

#include <atomic>
#include <cstdint>

#include "package/package_header.h"
#include "platform/file_limits.h"

namespace tamrix {

static_assert(kPathSize == kDestinationFieldSize, "the destination is a full path");

// The header's fields from the destination on, same widths and order. Flag words: non-zero is on.
struct Settings {
    char destination[kPathSize];
    char setupCommand[kSetupCommandSize];
    uint32_t autoConfirm;
    uint32_t openFolderAfter;
    uint32_t deleteAfterSetup;
    uint32_t skipDestinationDialog;
    uint32_t cabinetCrc;
    char promptCaption[kPromptCaptionSize];
    char promptText[kPromptTextSize];
};

extern Settings settings;

// File offset of the cabinet inside the package file; -1 when none was found. The decoder's file
// callbacks add it to absolute seeks in the package file.
extern int32_t cabinetOffset;

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

// 0 = go on; otherwise a StopReason.
extern std::atomic<int32_t> cancelRequested;

// The process exit code: 0 when the run did what it was asked or the user stopped it, 1 when it
// failed (the package could not be read, the CRC check stopped it, the destination could not be
// made, the extraction failed).
enum RunExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,
};

// Zeroes every setting except openFolderAfter, which starts on.
void resetSettings();

}  // namespace tamrix
