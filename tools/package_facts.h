// What the stub would see of a file: its image end, header, signature, the CRC it would check and
// the cabinet it would find. Shared by `info` and `test`.
#pragma once

#include <cstdint>
#include <string>

#include "app/package_layout.h"
#include "package/crc_range.h"

namespace tamrix::tool {

struct PackageFacts {
    uint64_t fileSize = 0;
    bool executable = false;  // begins with "MZ": a package rather than a plain cabinet
    uint32_t imageEnd = 0;
    bool headerValid = false;
    PackageHeader header{};
    CertificateTable certificate{0, 0};
    CrcRange crcRange{0, 0, false};
    bool crcChecked = false;  // a valid header with a non-zero cabinetCrc: the stub checks it
    uint32_t computedCrc = 0;
    bool crcValid = false;
    int64_t cabinetOffset = -1;
};

// Reads the facts of the file at hostPath; false with a message when it cannot be read.
bool readPackageFacts(const char* hostPath, PackageFacts* facts, std::string* error);

}  // namespace tamrix::tool
