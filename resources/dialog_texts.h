// The dialog texts the flow needs outside the Windows resources: the captions (for the Linux
// interfaces) and the replace dialog's name template, in both languages, as UTF-8. The checks on
// the built stub hold every entry to the resource script's dialogs.
#pragma once

#include <span>

#include "resources/strings.h"

namespace tamrix {

struct DialogText {
    int templateId;
    int controlId;  // 0: the dialog's caption
    const char* english;
    const char* japanese;
};

std::span<const DialogText> dialogTexts();

// controlId 0 is the dialog's caption; null for a text not kept here.
const char* dialogText(Language language, int templateId, int controlId);

}  // namespace tamrix
