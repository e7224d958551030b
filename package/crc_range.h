// Which bytes of a package its CRC covers. Shared by the stub and the tool, so both agree on what a
// signed package's CRC means.
#pragma once

#include <cstdint>

namespace tamrix {

// Where data directory 4 lies in PE32 headers, counted from the "PE\0\0" signature: behind the
// file header (24 bytes with the signature) and 96 bytes of the optional header, 8 bytes an entry.
constexpr uint32_t kCertificateEntryOffset = 24 + 96 + 4 * 8;

// The certificate table that Authenticode signing appends, as the image's data directory 4 gives
// it: a file offset and a size (both 0 when the image is not signed).
struct CertificateTable {
    uint32_t offset;
    uint32_t size;
};

// Reads data directory 4 from PE32 headers, reading only the first `readable` bytes of image.
// {0, 0} when the headers are not there or hold no such entry.
CertificateTable findCertificateTable(const uint8_t* image, uint32_t readable);

// File offsets [start, end) that the CRC covers. start is imageEnd + 512 (the cabinet's start in
// a package). A certificate table that starts at or after that and ends exactly at the end of the
// file was added by signing after the CRC was stored: it is left out. In every other case (no
// table, a table elsewhere, bytes appended after it) the CRC runs to the end of the file.
struct CrcRange {
    uint32_t start;
    uint32_t end;  // never below start
    bool certificateExcluded;
};
CrcRange packageCrcRange(uint32_t imageEnd, CertificateTable table, uint32_t fileSize);

}  // namespace tamrix
