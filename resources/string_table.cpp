#include <cstddef>

#include "resources/strings.h"

namespace tamrix {

namespace {

struct StringTexts {
    uint32_t id;
    const char* english;
    const char* japanese;
};

constexpr StringTexts kStringTable[] = {
#define TAMRIX_STRING(id, english, japanese) {id, english, japanese},
#include "resources/string_table.inc"
#undef TAMRIX_STRING
};

}  // namespace

const char* stringTableText(Language language, uint32_t id) {
    for (const StringTexts& texts : kStringTable) {
        if (texts.id == id) return language == Language::Japanese ? texts.japanese : texts.english;
    }
    return nullptr;
}

}  // namespace tamrix
