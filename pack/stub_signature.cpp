#include "pack/stub_signature.h"

#include <algorithm>
#include <cstring>

#include "codecs/little_endian.h"
#include "package/crc_range.h"

namespace tamrix::pack {

namespace {

// Within PE32 headers, counted from the "PE\0\0" signature.
constexpr uint32_t kChecksumField = 24 + 64;
constexpr uint32_t kSignatureAlignment = 8;

uint32_t peOffset(const std::vector<uint8_t>& file) {
    return load16(&file[0x3C]);
}

}  // namespace

uint32_t peChecksum(const std::vector<uint8_t>& file) {
    uint64_t field = file.size() >= 0x40 ? uint64_t(peOffset(file)) + kChecksumField : UINT64_MAX;
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i == field || i == field + 2) continue;
        uint32_t word = file[i] | (i + 1 < file.size() ? uint32_t(file[i + 1]) << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + uint32_t(file.size());
}

SignatureDrop dropSignature(std::vector<uint8_t>* stub, uint32_t imageEnd) {
    std::vector<uint8_t>& file = *stub;
    CertificateTable table = findCertificateTable(file.data(), uint32_t(file.size()));
    if (table.size == 0 && table.offset == 0) return SignatureDrop::NotSigned;
    // The headers must survive the cut, and only zero padding may lie between image and table.
    if (imageEnd > file.size() ||
        imageEnd < uint64_t(peOffset(file)) + kCertificateEntryOffset + 8 ||
        table.offset < imageEnd || table.offset - imageEnd >= kSignatureAlignment ||
        uint64_t(table.offset) + table.size != file.size() ||
        !std::all_of(file.begin() + imageEnd, file.begin() + table.offset,
                     [](uint8_t b) { return b == 0; })) {
        return SignatureDrop::Refused;
    }
    file.resize(imageEnd);
    uint32_t pe = peOffset(file);
    std::memset(&file[pe + kCertificateEntryOffset], 0, 8);
    store32(&file[pe + kChecksumField], peChecksum(file));
    return SignatureDrop::Dropped;
}

}  // namespace tamrix::pack
