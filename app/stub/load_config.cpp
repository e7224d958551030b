// The image's load configuration record, here for one field: DependentLoadFlags. The loader
// (Windows 10 1607 and later) resolves the stub's own imports with these search flags, so with
// LOAD_LIBRARY_SEARCH_SYSTEM32 it never looks for them in the folder the package was started from.
// The image's load-config directory is pointed at _load_config_used after the link
// (cmake/stub.cmake).
#include <cstddef>
#include <cstdint>

namespace {

// The 32-bit record through the security cookie: 64 bytes, the size that every loader since
// Windows XP accepts. It leaves out the safe exception handler table, so the loader treats the
// image as one without that table, as it would without the record. What is not set stays 0 (no
// security cookie, system defaults).
struct LoadConfig32 {
    uint32_t size = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
    uint32_t globalFlagsClear = 0;
    uint32_t globalFlagsSet = 0;
    uint32_t criticalSectionDefaultTimeout = 0;
    uint32_t deCommitFreeBlockThreshold = 0;
    uint32_t deCommitTotalFreeThreshold = 0;
    uint32_t lockPrefixTable = 0;
    uint32_t maximumAllocationSize = 0;
    uint32_t virtualMemoryThreshold = 0;
    uint32_t processHeapFlags = 0;
    uint32_t processAffinityMask = 0;
    uint16_t csdVersion = 0;
    uint16_t dependentLoadFlags = 0;
    uint32_t editList = 0;
    uint32_t securityCookie = 0;
};
static_assert(sizeof(LoadConfig32) == 64);
static_assert(offsetof(LoadConfig32, dependentLoadFlags) == 0x36);

constexpr uint16_t kSearchSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

}  // namespace

extern "C" const LoadConfig32 _load_config_used = {
    .size = sizeof(LoadConfig32),
    .dependentLoadFlags = kSearchSystem32,
};
