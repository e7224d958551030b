// The dialog texts the flow needs outside the Windows resources: the captions (for the Linux
// interfaces) and the replace dialog's name template, in both languages, as UTF-8.
#pragma once

#include "resources/strings.h"

namespace tamrix {

// controlId 0 is the dialog's caption; null for a text not kept here.
const char* dialogText(Language language, int templateId, int controlId);

}  // namespace tamrix
