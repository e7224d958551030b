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

// 0 = go on. The progress window's Cancel sets 100, a folder that cannot be created -1.
extern std::atomic<int32_t> cancelRequested;

// Zeroes every setting except openFolderAfter, which starts on.
void resetSettings();

}  // namespace tamrix
