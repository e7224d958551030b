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

// Set by the Newer button (which then answers Yes): from now on replace only older files.
extern uint32_t newerOnly;

// Stops the progress window's animation, shows the dialog owned by it, restarts the animation and
// returns the answer (-1 also when the dialog cannot be shown).
int askReplace(const ReplacePrompt& prompt);

}  // namespace tamrix
