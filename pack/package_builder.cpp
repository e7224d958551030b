#include "pack/package_builder.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "cab/cabinet_format.h"
#include "pack/package_settings.h"
#include "pack/stub_signature.h"
#include "package/cabinet_signature.h"
#include "package/image_end.h"

namespace tamrix::pack {

namespace {

constexpr uint64_t kMaxStubSize = 64 << 20;
constexpr unsigned kPackageMode = 0755;

}  // namespace

bool loadStub(const std::string& path, std::vector<uint8_t>* stub, std::string* error,
              bool* signatureDropped) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the stub '" + path + "'";
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff length = in.tellg();
    if (length < 0 || uint64_t(length) > kMaxStubSize) {
        *error = "'" + path + "' is too large to be a stub";
        return false;
    }
    in.seekg(0);
    stub->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const std::vector<uint8_t>& bytes = *stub;
    std::string what = "'" + path + "' is not a stub: ";
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
        *error = what + "no executable header";
        return false;
    }
    uint32_t pe = load16(&bytes[0x3C]);
    if (uint64_t(pe) + 24 > bytes.size() || std::memcmp(&bytes[pe], "PE\0\0", 4) != 0) {
        *error = what + "not a PE file";
        return false;
    }
    uint32_t imageEnd = findImageEnd(bytes.data(), uint32_t(bytes.size()));
    if (imageEnd < bytes.size()) {
        switch (dropSignature(stub, imageEnd)) {
            case SignatureDrop::Dropped:
                if (signatureDropped) *signatureDropped = true;
                break;
            case SignatureDrop::Refused:
                *error = what +
                         "it carries a certificate table that is not a signature appended "
                         "to its image; give the stub as it was built";
                return false;
            case SignatureDrop::NotSigned:
                break;
        }
    }
    if (imageEnd != bytes.size()) {
        *error = what + "its image ends at " + std::to_string(imageEnd) + " but the file has " +
                 std::to_string(bytes.size()) +
                 " bytes (something is appended already, or its sections are not as the stub "
                 "expects)";
        return false;
    }
    CabinetSignatureScanner scanner;
    if (scanner.feed(bytes.data(), uint32_t(bytes.size()))) {
        *error = what + "it holds a cabinet signature at " + std::to_string(scanner.offset()) +
                 ", which the stub would take for its cabinet";
        return false;
    }
    return true;
}

bool checkCabinetFile(const std::string& path, uint64_t* size, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the cabinet '" + path + "'";
        return false;
    }
    uint8_t fixed[kFixedHeaderSize];
    in.read(reinterpret_cast<char*>(fixed), sizeof fixed);
    if (in.gcount() != sizeof fixed || load32(fixed + header::signature) != kCabinetSignature) {
        *error = "'" + path + "' is not a cabinet";
        return false;
    }
    if (load32(fixed + header::firstReserved) != 0) {
        *error =
            "'" + path + "' has a non-zero word after its signature; the stub would not find it";
        return false;
    }
    if (load16(fixed + header::version) != kCabinetVersion) {
        *error = "'" + path + "' is a cabinet of an unsupported version";
        return false;
    }
    in.seekg(0, std::ios::end);
    *size = uint64_t(in.tellg());
    return true;
}

CabinetWriter copyCabinetFile(const std::string& path) {
    return [path](OutputFile* out, std::string* error) {
        std::ifstream in(path, std::ios::binary);
        std::vector<char> piece(1 << 20);
        while (in) {
            in.read(piece.data(), std::streamsize(piece.size()));
            if (in.gcount() > 0 && !out->write(piece.data(), size_t(in.gcount()))) {
                *error = out->failure();
                return false;
            }
        }
        if (!in.eof()) {
            *error = "cannot read the cabinet '" + path + "'";
            return false;
        }
        return true;
    };
}

bool crcOfTail(OutputFile* out, uint64_t offset, uint32_t* crc) {
    std::vector<uint8_t> piece(1 << 20);
    uLong value = crc32(0, nullptr, 0);
    while (offset < out->position()) {
        size_t take = size_t(std::min<uint64_t>(piece.size(), out->position() - offset));
        if (!out->readAt(offset, piece.data(), take)) return false;
        value = crc32(value, piece.data(), uInt(take));
        offset += take;
    }
    *crc = uint32_t(value);
    return true;
}

bool writePackage(const std::string& target, const std::vector<uint8_t>& stub,
                  const PackageHeader& header, bool withCrc, const CabinetWriter& writeCabinet,
                  PackageResult* result, std::string* error, const OutputFile::Transform& finish) {
    OutputFile out;
    if (!out.open(target, error)) return false;
    PackageHeader final = header;
    std::vector<uint8_t> bytes = headerBytes(final);
    if (!out.write(stub.data(), stub.size()) || !out.write(bytes.data(), bytes.size())) {
        *error = out.failure();
        return false;
    }
    uint64_t cabinetOffset = out.position();
    if (!writeCabinet(&out, error)) return false;
    uint64_t cabinetEnd = out.position();
    // Zero bytes up to a multiple of 8, inside the CRC: a signer then aligns nothing itself,
    // which would put bytes of its own in front of the certificate table.
    static const uint8_t kZeros[kPackageAlignment] = {};
    if (!out.write(kZeros,
                   (kPackageAlignment - out.position() % kPackageAlignment) % kPackageAlignment)) {
        *error = out.failure();
        return false;
    }
    if (out.position() > kMaxPackageSize) {
        *error = "the package would be " + std::to_string(out.position()) +
                 " bytes; the stub reads packages of less than 2 GiB";
        return false;
    }
    if (withCrc) {
        if (!crcOfTail(&out, cabinetOffset, &final.cabinetCrc)) {
            *error = out.failure();
            return false;
        }
        bytes = headerBytes(final);
        if (!out.writeAt(stub.size(), bytes.data(), bytes.size())) {
            *error = out.failure();
            return false;
        }
    }
    if (finish && !out.transform(finish, error)) return false;
    result->size = out.position();
    result->cabinetOffset = cabinetOffset;
    result->cabinetSize = cabinetEnd - cabinetOffset;
    result->cabinetCrc = final.cabinetCrc;
    return out.commit(kPackageMode, error);
}

}  // namespace tamrix::pack
