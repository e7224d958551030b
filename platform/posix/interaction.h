// On Linux every user-interface event of the stub's flow goes through the current interaction:
// the console form, the scripted form (answers from a file, a transcript of everything shown), or
// a test's own. Texts arrive as ANSI in the configured code page.
#pragma once

#include <cstdint>

namespace tamrix::platform::posix {

class Interaction {
public:
    virtual ~Interaction() = default;
    // Returns the button pressed (kIdOk, kIdCancel, kIdYes, kIdNo).
    virtual int messageBox(const char* text, const char* caption, uint32_t type) = 0;
    virtual void beep() {}
};

// The interaction used from now on; null restores the default, which prints message boxes on
// stderr and answers them with their first button.
void setInteraction(Interaction* interaction);
Interaction& interaction();

}  // namespace tamrix::platform::posix
