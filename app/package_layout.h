// The package: the stub's image, a 512-byte header, and a cabinet running to the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/settings.h"

namespace tamrix {

constexpr uint32_t kPackageHeaderSize = 512;
constexpr char kPackageMagic[] = "TAMRIX3";
constexpr uint32_t kCabinetSearchPiece = 32768;

// Integers little-endian; strings ANSI, NUL-terminated inside their field.
struct PackageHeader {
    char magic[8];
    char destination[kPathSize];
    char setupCommand[kSetupCommandSize];
    uint32_t autoConfirm;
    uint32_t openFolderAfter;
    uint32_t deleteAfterSetup;
    uint32_t skipDestinationDialog;
    uint32_t cabinetCrc;
    char promptCaption[kPromptCaptionSize];
    char promptText[kPromptTextSize];
};
static_assert(sizeof(PackageHeader) == kPackageHeaderSize);
static_assert(offsetof(PackageHeader, destination) == 8);
static_assert(offsetof(PackageHeader, setupCommand) == 268);
static_assert(offsetof(PackageHeader, autoConfirm) == 396);
static_assert(offsetof(PackageHeader, cabinetCrc) == 412);
static_assert(offsetof(PackageHeader, promptCaption) == 416);
static_assert(offsetof(PackageHeader, promptText) == 448);

// End of the executable image in its file, from its PE headers. Reads only the first `readable`
// bytes of image and never past the section table; 0 when the headers are not there.
uint32_t findImageEnd(const uint8_t* image, uint32_t readable);

// Reads the 512 bytes at imageEnd of an open file; true when they are a valid header. Strings that
// fill their field without a NUL are cut to leave room for one.
bool readPackageHeader(int32_t file, uint32_t imageEnd, PackageHeader* header);

// Copies a valid header into settings (the destination through the folder-macro expansion, which
// needs the package's path). Returns the unique-temporary-folder flag of that expansion.
bool applyPackageHeader(PackageHeader* header, const char* packagePath);

// Finds "MSCF" 00 00 00 00 in a stream fed piece by piece; a match may straddle two pieces.
class CabinetSignatureScanner {
public:
    // Feeds the next piece; returns true once the signature has been found.
    bool feed(const uint8_t* piece, uint32_t size);
    bool found() const { return offset_ >= 0; }
    int64_t offset() const { return offset_; }

private:
    uint8_t carry_[7] = {};
    uint32_t carried_ = 0;
    int64_t consumed_ = 0;
    int64_t offset_ = -1;
};

// Sets cabinetOffset by searching the file for the cabinet signature and returns the file's size,
// or -1 when it cannot be opened. Uses openHandle when it is not -1; the file is closed either way.
int32_t findCabinet(const char* path, int32_t openHandle);

}  // namespace tamrix
