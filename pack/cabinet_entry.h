// One file on its way into a cabinet.
#pragma once

#include <cstdint>
#include <string>

namespace tamrix::pack {

constexpr uint16_t kAttrReadOnly = 0x01;
constexpr uint16_t kAttrArchive = 0x20;
// The stored name is UTF-8, not the code page's.
constexpr uint16_t kAttrUtf8Name = 0x80;

struct CabinetEntry {
    std::string sourcePath;  // host path the bytes are read from
    std::string name;        // stored name: code-page bytes, folders separated by backslashes
    uint64_t size = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = kAttrArchive;
};

}  // namespace tamrix::pack
