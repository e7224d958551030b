// A file that crosses the 4 GiB point of its folder's data: the block start, the position and the
// counts must stay consistent past 2^32 bytes.
#include "tests/cab/engine_harness.h"
#include "tests/mszip/zlib_frames.h"

namespace tamrix::test {
namespace {

constexpr uint16_t kMszip = 1;
constexpr uint32_t kBlockSize = 32768;

TestFile entry(uint32_t offset, uint32_t size, uint16_t folderIndex) {
    TestFile file;
    file.name = "zeros";
    file.folderOffset = offset;
    file.size = size;
    file.folderIndex = folderIndex;
    return file;
}

// One folder of 65,535 + 65,535 + 4 blocks of 32,768 zeros over three cabinets, and one file of
// 128 KiB at folder offset 0xFFFF0000, whose data runs past 2^32.
TEST_F(EngineTest, FileAcrossTheFourGibibytePoint) {
    const auto frames = mszip::test::makeMszipBlocks(Bytes(kBlockSize, 0), {9});
    ASSERT_EQ(frames.size(), 1u);
    TestBlock zeros;
    zeros.data = frames[0];
    zeros.uncompressedSize = uint16_t(kBlockSize);
    zeros.withChecksum = false;  // keeps the test quick; the checksum has suites of its own

    const uint32_t offset = 0xFFFF0000u, size = 0x20000u;
    const uint16_t blockCounts[] = {65535, 65535, 4};
    const uint16_t indices[] = {0xFFFE, 0xFFFF, 0xFFFD};
    const char* names[] = {"one.cab", "two.cab", "three.cab"};
    for (int i = 0; i < 3; ++i) {
        TestCabinet cabinet;
        cabinet.cabinetIndex = uint16_t(i);
        if (i > 0) cabinet.previousCabinet = names[i - 1];
        if (i < 2) cabinet.nextCabinet = names[i + 1];
        cabinet.folders.push_back(folderOf(std::vector<TestBlock>(blockCounts[i], zeros), kMszip));
        cabinet.files = {entry(offset, size, indices[i])};
        addFile(names[i], buildCabinet(cabinet));
    }
    ASSERT_TRUE(copy("one.cab")) << error.code;
    EXPECT_EQ(written("zeros"), Bytes(size, 0));
}

}  // namespace
}  // namespace tamrix::test
