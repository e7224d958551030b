// Reads a cabinet's folder table on its own (the engine reports files, not folders), so a listing
// can name each file's compression.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tamrix::tool {

// Reads `size` bytes at `offset` counted from the cabinet's first byte; false when they are not
// all there.
using CabinetReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// The compression type word of every folder; false when the header or the table is cut short
// or malformed.
bool readFolderTypes(const CabinetReadAt& readAt, std::vector<uint16_t>* types);

// "none", "mszip", "quantum:N", "lzx:N" (the --compress syntax), or "unknown:N" for a kind the
// engine does not know.
std::string describeCompression(uint16_t typeWord);

}  // namespace tamrix::tool
