// Turning a stored cabinet name into a UTF-8 path below the output folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/ansi_text.h"

namespace tamrix::tool {

using pack::kUtf8CodePage;

// Parses a --codepage value: a number such as 1252 or 932, or "utf-8"; false when it is neither.
bool parseCodePage(const std::string& text, int* codePage);

// Converts names from one code page to UTF-8 with iconv.
class NameConverter {
  public:
    // kUtf8CodePage: names are UTF-8 whatever their attributes.
    explicit NameConverter(int codePage);
    ~NameConverter();
    NameConverter(const NameConverter&) = delete;
    NameConverter& operator=(const NameConverter&) = delete;

    bool valid() const { return converter_ != reinterpret_cast<void*>(-1); }

    // Attribute 0x80 marks a name that is UTF-8 already. Bytes that do not convert become
    // U+FFFD, so the name stays readable; *exact (when given) says whether none had to.
    std::string toUtf8(const char* stored, uint16_t attributes, bool* exact = nullptr);

  private:
    void* converter_;
};

// Splits a name at backslashes (and forward slashes) into safe path components: drive letters,
// leading separators, empty and "." components are dropped (*altered is set); a ".." component
// or a name left empty makes the whole name unsafe (returns false).
bool safePathComponents(const std::string& name, std::vector<std::string>* components,
                        bool* altered);

}  // namespace tamrix::tool
