// A package: an unchanged copy of the stub, the 512-byte header, then the cabinet to the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pack/output_file.h"
#include "package/package_header.h"

namespace tamrix::pack {

// The stub reads its own file with signed 32-bit offsets: a package must stay below 2 GiB.
constexpr uint64_t kMaxPackageSize = 0x7FFFFFFF;

// Packages are padded to a multiple of this, so that signing appends its table right away.
constexpr uint64_t kPackageAlignment = 8;

// Reads a stub and checks it: a PE image whose end, as the stub itself computes it, is the end
// of the file (nothing appended yet), holding no cabinet signature of its own. A stub signed on
// its own loses its signature (*signatureDropped is then set): the package is what gets signed.
bool loadStub(const std::string& path, std::vector<uint8_t>* stub, std::string* error,
              bool* signatureDropped = nullptr);

// Checks an existing cabinet file for packing: its signature with the zero word after it (which
// the stub searches for), version 1.3; *size is its length.
bool checkCabinetFile(const std::string& path, uint64_t* size, std::string* error);

// Appends the cabinet that writeCabinet puts into out (at out's current position).
using CabinetWriter = std::function<bool(OutputFile* out, std::string* error)>;

// Copies a cabinet file as it is.
CabinetWriter copyCabinetFile(const std::string& path);

struct PackageResult {
    uint64_t size = 0;
    uint64_t cabinetOffset = 0;
    uint64_t cabinetSize = 0;  // without the padding
    uint32_t cabinetCrc = 0;
};

// Writes stub, header, cabinet and zero padding to a multiple of kPackageAlignment to a temporary
// file beside target and renames it into place. With withCrc the header's cabinetCrc becomes the
// CRC-32 of every byte after the header; otherwise the header's own value is kept. `finish`, when
// given, rewrites the complete package before the rename (signing); when it fails nothing is left.
bool writePackage(const std::string& target, const std::vector<uint8_t>& stub,
                  const PackageHeader& header, bool withCrc, const CabinetWriter& writeCabinet,
                  PackageResult* result, std::string* error,
                  const OutputFile::Transform& finish = {});

// CRC-32 (ISO 3309, reflected 0xEDB88320) of bytes [offset, end) of an output being written.
bool crcOfTail(OutputFile* out, uint64_t offset, uint32_t* crc);

}  // namespace tamrix::pack
