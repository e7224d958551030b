// Arbitrary bytes as a signed stub or package: the certificate table, the CRC range it gives and
// the removal of a stub's own signature stay inside the bytes and give consistent results.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pack/stub_signature.h"
#include "package/crc_range.h"
#include "package/image_end.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    uint32_t imageEnd = tamrix::findImageEnd(bytes.data(), uint32_t(bytes.size()));
    tamrix::CertificateTable table =
        tamrix::findCertificateTable(bytes.data(), uint32_t(bytes.size()));
    tamrix::CrcRange range = tamrix::packageCrcRange(imageEnd, table, uint32_t(size));
    if (range.end < range.start || (range.end > size && range.end != range.start)) __builtin_trap();
    if (range.certificateExcluded && uint64_t(table.offset) + table.size != size) __builtin_trap();
    tamrix::pack::peChecksum(bytes);
    if (tamrix::pack::dropSignature(&bytes, imageEnd) == tamrix::pack::SignatureDrop::Dropped) {
        if (bytes.size() != imageEnd) __builtin_trap();
        tamrix::CertificateTable left =
            tamrix::findCertificateTable(bytes.data(), uint32_t(bytes.size()));
        if (left.offset || left.size) __builtin_trap();
    }
    return 0;
}
