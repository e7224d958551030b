// The run-time settings: the package header's, which the command line may change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/package_header.h"
#include "platform/file_limits.h"

namespace tamrix {

// The header's fields after its magic, same widths and order. Flag words: non-zero is on.
struct Settings {
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) char name[size];
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) uint32_t name;
#include "package/package_header_fields.inc"
};

static_assert(sizeof Settings::destination == kPathSize, "the destination is a full path");
// Laid out as the header after its magic, so that applying a header copies its fields as a block.
static_assert(sizeof(Settings) == kPackageHeaderSize - sizeof PackageHeader::magic);
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) \
    static_assert(offsetof(Settings, name) + sizeof PackageHeader::magic == (offset));
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) \
    static_assert(offsetof(Settings, name) + sizeof PackageHeader::magic == (offset));
#include "package/package_header_fields.inc"

}  // namespace tamrix
