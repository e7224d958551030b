// Checks on the Windows stub as built: run by the test command after the win32 build, which sets
// TAMRIX_STUB to the built file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/package_layout.h"
#include "tests/support/byte_fields.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

std::vector<uint8_t> builtStub() {
    std::string path = test::builtStubPath();
    if (path.empty()) return {};
    return test::readFile(path);
}

TEST(BuiltStub, IsPe32I386Gui) {
    std::vector<uint8_t> stub = builtStub();
    if (test::builtStubPath().empty()) GTEST_SKIP() << "TAMRIX_STUB not set";
    ASSERT_GT(stub.size(), 0x200u);
    uint32_t pe = test::get16(stub, 0x3C);
    ASSERT_EQ(0, std::memcmp(&stub[pe], "PE\0\0", 4));
    EXPECT_EQ(0x14C, test::get16(stub, pe + 4));    // i386
    EXPECT_EQ(0x10B, test::get16(stub, pe + 24));   // PE32 optional header
    EXPECT_EQ(2, test::get16(stub, pe + 24 + 68));  // GUI subsystem
}

TEST(BuiltStub, ImageEndIsTheEndOfTheFile) {
    std::vector<uint8_t> stub = builtStub();
    if (test::builtStubPath().empty()) GTEST_SKIP() << "TAMRIX_STUB not set";
    EXPECT_EQ(stub.size(), findImageEnd(stub.data(), uint32_t(stub.size())));
}

TEST(BuiltStub, HoldsNoCabinetSignature) {
    std::vector<uint8_t> stub = builtStub();
    if (test::builtStubPath().empty()) GTEST_SKIP() << "TAMRIX_STUB not set";
    const uint8_t signature[8] = {'M', 'S', 'C', 'F', 0, 0, 0, 0};
    EXPECT_EQ(stub.end(), std::search(stub.begin(), stub.end(), signature, signature + 8));
}

}  // namespace
}  // namespace tamrix
