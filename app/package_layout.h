// The package as the stub opens it: its header read and applied, its cabinet found.
#pragma once

#include <cstdint>

#include "package/cabinet_signature.h"
#include "package/image_end.h"
#include "package/package_header.h"

namespace tamrix {

// Reads the 512 bytes at imageEnd of an open file; true when they are a valid header. Strings that
// fill their field without a NUL are cut to leave room for one.
bool readPackageHeader(int32_t file, uint32_t imageEnd, PackageHeader* header);

// Copies a valid header into settings (the destination through the folder-macro expansion, which
// needs the package's path). Returns the unique-temporary-folder flag of that expansion.
bool applyPackageHeader(PackageHeader* header, const char* packagePath);

// Sets cabinetOffset by searching the file for the cabinet signature and returns the file's size,
// or -1 when it cannot be opened. Uses openHandle when it is not -1; the file is closed either way.
int32_t findCabinet(const char* path, int32_t openHandle);

}  // namespace tamrix
