// The whole input as a cabinet's start for the folder table reader (reads stay inside it), and
// split at its first NUL into a pattern and a name for matching and escaping.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/display_text.h"
#include "tools/folder_table.h"
#include "tools/name_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint16_t> types;
    tamrix::tool::readFolderTypes(
        [&](uint64_t offset, void* buffer, size_t count) {
            if (offset > size || count > size - offset) return false;
            std::memcpy(buffer, data + offset, count);
            return true;
        },
        &types);
    for (uint16_t type : types) tamrix::tool::describeCompression(type);

    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t split = text.find('\0');
    const std::string pattern = text.substr(0, split);
    const std::string name = split == std::string::npos ? "" : text.substr(split + 1);
    tamrix::tool::matchesPattern(pattern, name);
    const std::string shown = tamrix::tool::escapeControls(name);
    for (unsigned char c : shown) {
        if (c < 0x20 || c == 0x7F) __builtin_trap();  // nothing raw reaches a terminal
    }
    std::string written = name;
    tamrix::tool::replaceControls(&written);
    tamrix::tool::jsonEscape(name);
    return 0;
}
