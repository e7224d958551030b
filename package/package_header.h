// The package: the stub's image, a 512-byte header, and a cabinet running to the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tamrix {

constexpr uint32_t kPackageHeaderSize = 512;
constexpr char kPackageMagic[] = "TAMRIX3";

// The fields of package_header_fields.inc after the magic. Integers little-endian; strings ANSI,
// NUL-terminated inside their field.
struct PackageHeader {
    char magic[8];
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) char name[size];
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) uint32_t name;
#include "package/package_header_fields.inc"
};

// The stub reads the header straight into the struct: every field lies where the table puts it.
static_assert(sizeof(PackageHeader) == kPackageHeaderSize);
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what)      \
    static_assert(offsetof(PackageHeader, name) == (offset) && \
                  sizeof PackageHeader::name == (size));
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) \
    static_assert(offsetof(PackageHeader, name) == (offset));
#include "package/package_header_fields.inc"

}  // namespace tamrix
