// The string table from the program's own resources; the system picks the language.
#include "resources/strings.h"

#include <windows.h>

#include "platform/module.h"

namespace tamrix {

int loadString(uint32_t id, char* buffer, int size) {
    if (size <= 0) return 0;
    int length = LoadStringA(static_cast<HINSTANCE>(platform::moduleInstance), id, buffer, size);
    if (length <= 0) {
        buffer[0] = 0;
        return 0;
    }
    return length;
}

void setLanguage(Language) {}

Language currentLanguage() {
    return Language::English;
}

}  // namespace tamrix
