// The string table on Linux: the selected language's text in the configured ANSI code page, as
// the system's loader converts its resources.
#include "resources/strings.h"

#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/posix/codepage.h"
#include "platform/posix/interaction.h"
#include "resources/dialog_texts.h"

namespace tamrix {

namespace {

Language selectedLanguage = Language::English;

const char* dialogCaptionUtf8(int templateId) {
    return dialogText(selectedLanguage, templateId, 0);
}

// The Linux interfaces show the captions of this table, like the system reads them from the
// program's resources: from the start, whether a language is chosen or not.
[[maybe_unused]] const bool captionsServed =
    (platform::posix::setDialogCaptionLookup(dialogCaptionUtf8), true);

}  // namespace

void setLanguage(Language language) {
    selectedLanguage = language;
}

Language currentLanguage() {
    return selectedLanguage;
}

int loadString(uint32_t id, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = 0;
    const char* text = stringTableText(selectedLanguage, id);
    if (!text) return 0;
    std::string ansi = platform::posix::utf8ToAnsiText(text);
    // Cut between characters, never after the first byte of a pair.
    size_t length = 0;
    while (length < ansi.size()) {
        size_t step =
            platform::isDbcsLeadByte(uint8_t(ansi[length])) && length + 1 < ansi.size() ? 2 : 1;
        if (length + step > size_t(size - 1)) break;
        length += step;
    }
    std::memcpy(buffer, ansi.data(), length);
    buffer[length] = 0;
    return int(length);
}

}  // namespace tamrix
