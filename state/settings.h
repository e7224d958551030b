// The run-time settings: the package header's, which the command line may change.
#pragma once

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

}  // namespace tamrix
