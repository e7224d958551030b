// The stub's imports and loader settings: only system libraries, the common controls' entry by
// ordinal, and nothing that lets the loader pick up a library from the package's folder.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "codecs/little_endian.h"
#include "tests/stub/built_stub.h"

namespace tamrix::test {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The system's KnownDLLs are always mapped from the system folder. comctl32 is not one of them:
// its version 6 comes from the side-by-side store through the manifest's dependency.
const std::set<std::string> kKnownDlls = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                          "shell32.dll",  "advapi32.dll", "ole32.dll",
                                          "msvcrt.dll",   "comdlg32.dll", "shlwapi.dll"};

TEST_F(BuiltStubTest, ImportsOnlySystemLibraries) {
    std::vector<PeImportedDll> dlls = stub->reader.imports();
    ASSERT_FALSE(dlls.empty());
    for (const PeImportedDll& dll : dlls) {
        std::string name = lower(dll.name);
        EXPECT_TRUE(kKnownDlls.count(name) || name == "comctl32.dll") << dll.name;
    }
}

TEST_F(BuiltStubTest, ImportsCommonControlsInitialisationByOrdinal17) {
    bool byOrdinal = false;
    for (const PeImportedDll& dll : stub->reader.imports()) {
        if (lower(dll.name) != "comctl32.dll") continue;
        byOrdinal |= std::count(dll.ordinals.begin(), dll.ordinals.end(), 17) > 0;
        EXPECT_EQ(0, std::count(dll.names.begin(), dll.names.end(), "InitCommonControls"));
    }
    EXPECT_TRUE(byOrdinal);
}

// The loader resolves the stub's own imports with the load-config record's DependentLoadFlags:
// LOAD_LIBRARY_SEARCH_SYSTEM32 keeps it out of the folder that the package was started from.
TEST_F(BuiltStubTest, LoadConfigKeepsImportSearchInSystemFolder) {
    PeReader::Directory config = stub->reader.directory(kLoadConfigDirectory);
    ASSERT_NE(0u, config.rva) << "no load-config directory";
    ASSERT_GE(config.size, 0x40u);  // through the security cookie
    const uint8_t* record = stub->reader.at(config.rva, config.size);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(config.size, load32(record));
    EXPECT_EQ(0x800, load16(record + 0x36));  // DependentLoadFlags
    EXPECT_EQ(0u, load32(record + 0x3C));     // no security cookie for the loader to set up
}

TEST_F(BuiltStubTest, IsRelocatableWithDataExecutionPrevention) {
    constexpr uint16_t kDynamicBase = 0x40, kNxCompat = 0x100;
    EXPECT_EQ(kDynamicBase | kNxCompat,
              stub->reader.dllCharacteristics() & (kDynamicBase | kNxCompat));
    EXPECT_NE(0u, stub->reader.directory(5).size) << "no base relocations for ASLR";
}

}  // namespace
}  // namespace tamrix::test
