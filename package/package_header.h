// The package: the stub's image, a 512-byte header, and a cabinet running to the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>


namespace tamrix {

constexpr uint32_t kPackageHeaderSize = 512;
constexpr char kPackageMagic[] = "TAMRIX3";

constexpr uint32_t kDestinationFieldSize = 260;
constexpr uint32_t kSetupCommandSize = 128;
constexpr uint32_t kPromptCaptionSize = 32;
constexpr uint32_t kPromptTextSize = 64;

// Integers little-endian; strings ANSI, NUL-terminated inside their field.
struct PackageHeader {
    char magic[8];
    char destination[kDestinationFieldSize];
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

}  // namespace tamrix
