// The file-replace question: Yes, No, Yes to All, Newer, Cancel.
#pragma once

#include <cstdint>

namespace tamrix {

struct ReplacePrompt {
    const char* path;
    uint32_t existingStamp;  // local DOS stamp, date in the high half; 0 when unknown
    uint32_t newStamp;
    uint32_t existingSize;
    uint32_t newSize;
};

enum ReplaceAnswer : int {
    kReplaceYes = 6,
    kReplaceNo = 7,
    kReplaceYesToAll = 100,
    kReplaceCancel = -1,
};

// Stops the progress window's animation, shows the dialog owned by it, restarts the animation and
// returns the answer (-1 also when the dialog cannot be shown). The Newer button answers Yes and
// sets runState.newerOnly.
int askReplace(const ReplacePrompt& prompt);

}  // namespace tamrix
