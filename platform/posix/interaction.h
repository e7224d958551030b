// On Linux every user-interface event of the stub's flow goes through the current interaction:
// the console form, the scripted form (answers from a file, a transcript of everything shown), or
// a test's own. Texts arrive as ANSI in the configured code page.
#pragma once

#include <cstdint>

#include "platform/ui.h"
#include "resources/resource.h"

namespace tamrix::platform::posix {

// What the user does in the destination dialog, one action at a time.
struct DestinationAction {
    enum Kind { Ok, Cancel, Type, Toggle, Browse } kind;
    // Type: the new edit text; Browse: the folder chosen (empty: the browser was cancelled).
    char text[260];
};

// The buttons of the file-replace dialog, by control id.
enum ReplaceButton : int {
    kReplaceButtonYes = kIdYes,
    kReplaceButtonNo = kIdNo,
    kReplaceButtonYesToAll = IDC_REPLACE_YES_TO_ALL,
    kReplaceButtonNewer = IDC_REPLACE_NEWER,
    kReplaceButtonCancel = IDC_REPLACE_CANCEL,
};

class Interaction {
  public:
    virtual ~Interaction() = default;
    // Returns the button pressed (kIdOk, kIdCancel, kIdYes, kIdNo).
    virtual int messageBox(const char* text, const char* caption, uint32_t type) = 0;
    virtual void beep() {}

    // Modeless dialogs (the CRC box, the progress window) and their controls.
    virtual void dialogShown(int /*templateId*/) {}
    virtual void dialogClosed(int /*templateId*/) {}
    virtual void controlText(int /*templateId*/, int /*controlId*/, const char* /*text*/) {}
    virtual void progressRange(int /*templateId*/, int32_t /*maximum*/) {}
    virtual void progressPosition(int /*templateId*/, int32_t /*position*/) {}
    // Asked after each update of a modeless dialog: the id of a control the user clicks now, or 0.
    virtual int userClick(int /*templateId*/) { return 0; }
    // The destination dialog showing editText, its check box ticked or not.
    virtual DestinationAction destinationAction(const char* /*editText*/, bool /*boxTicked*/) {
        return {DestinationAction::Ok, {}};
    }
    // The file-replace dialog with its three filled texts; returns the button pressed.
    virtual int replaceDialog(const char* /*nameText*/, const char* /*existingDetails*/,
                              const char* /*newDetails*/) {
        return kReplaceButtonCancel;
    }
    // The destination opened in the shell: by default with the desktop's opener.
    virtual void openFolder(const char* folder);
    // The next cabinet of a set cannot be opened or used: text names it and its folder (the
    // Retry/Cancel box of the system). True to try once more, false to stop the run.
    virtual bool keepWaitingForCabinet(const char* /*cabinetName*/, const char* /*text*/) {
        return false;
    }
};

// Where the interfaces find dialog captions (UTF-8) in the program's language.
using DialogCaptionLookup = const char* (*)(int templateId);
void setDialogCaptionLookup(DialogCaptionLookup lookup);
const char* dialogCaption(int templateId);

// The interaction used from now on; null restores the default, which prints message boxes on
// stderr and answers them with their first button.
void setInteraction(Interaction* interaction);
Interaction& interaction();

}  // namespace tamrix::platform::posix
