#include "platform/posix/interaction.h"

#include <cstdio>

#include "platform/posix/desktop.h"
#include "platform/ui.h"

namespace tamrix::platform::posix {

namespace {

class DefaultInteraction : public Interaction {
  public:
    int messageBox(const char* text, const char* caption, uint32_t type) override {
        std::fprintf(stderr, "[%s] %s\n", caption, text);
        switch (type & 0x0F) {
            case kMbOkCancel:
                return kIdOk;
            case kMbYesNo:
                return kIdYes;
            default:
                return kIdOk;
        }
    }
};

DefaultInteraction defaultInteraction;
Interaction* current = &defaultInteraction;

}  // namespace

namespace {
DialogCaptionLookup captionLookup = nullptr;
}  // namespace

void setDialogCaptionLookup(DialogCaptionLookup lookup) {
    captionLookup = lookup;
}

const char* dialogCaption(int templateId) {
    const char* caption = captionLookup ? captionLookup(templateId) : nullptr;
    return caption ? caption : "";
}

void Interaction::openFolder(const char* folder) {
    openFolderOnDesktop(folder);
}

void setInteraction(Interaction* interaction) {
    current = interaction ? interaction : &defaultInteraction;
}

Interaction& interaction() {
    return *current;
}

}  // namespace tamrix::platform::posix

namespace tamrix::platform {

int messageBox(const char* text, const char* caption, uint32_t type) {
    return posix::interaction().messageBox(text, caption, type);
}

void messageBeepAsterisk() {
    posix::interaction().beep();
}

bool keepWaitingForCabinet(const char* cabinetName, const char* text) {
    return posix::interaction().keepWaitingForCabinet(cabinetName, text);
}

}  // namespace tamrix::platform
