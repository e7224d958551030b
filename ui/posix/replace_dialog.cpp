// The file-replace dialog on Linux: the same texts as the dialog shows, answered by the
// interaction.
#include "ui/replace_dialog.h"

#include <cstdio>
#include <string>

#include "paths/path_text.h"
#include "platform/posix/codepage.h"
#include "platform/posix/interaction.h"
#include "platform/windows.h"
#include "resources/dialog_texts.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "state/run_state.h"
#include "ui/file_details.h"
#include "ui/progress_window.h"

namespace tamrix {

namespace {

// The details line of one side: the template for the stamp, filled with the grouped size.
void describe(uint32_t stamp, uint32_t size, char* out, size_t outSize) {
    out[0] = 0;
    char format[128];
    if (!stamp || !formatFileDetails(stamp, format)) return;
    const char* grouped = groupThousands(size);
    std::snprintf(out, outSize, format, grouped ? grouped : "");
}

}  // namespace

int askReplace(const ReplacePrompt& prompt) {
    char fileName[kPathSize];
    splitPath(prompt.path, nullptr, fileName);
    // The dialog's name template, in the program's language.
    std::string nameTemplate = platform::posix::utf8ToAnsiText(
        dialogText(currentLanguage(), IDD_REPLACE, IDC_REPLACE_NAME));
    char nameText[64 + kPathSize];
    std::snprintf(nameText, sizeof nameText, nameTemplate.c_str(), fileName);
    char existing[256];
    char incoming[256];
    describe(prompt.existingStamp, prompt.existingSize, existing, sizeof existing);
    describe(prompt.newStamp, prompt.newSize, incoming, sizeof incoming);

    platform::sendMessage(runState.progressWindow, kMsgAnimationStop, 0, 0);
    int button = platform::posix::interaction().replaceDialog(nameText, existing, incoming);
    platform::sendMessage(runState.progressWindow, kMsgAnimationPlay, 0, 0);
    switch (button) {
        case platform::posix::kReplaceButtonYes:
            return kReplaceYes;
        case platform::posix::kReplaceButtonNo:
            return kReplaceNo;
        case platform::posix::kReplaceButtonYesToAll:
            return kReplaceYesToAll;
        case platform::posix::kReplaceButtonNewer:
            runState.newerOnly = 1;
            return kReplaceYes;
        default:
            return kReplaceCancel;
    }
}

}  // namespace tamrix
