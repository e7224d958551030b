// Streams zlib makes, in both framings, every level and strategy, decoded block by block.
#include <gtest/gtest.h>
#include <zlib.h>

#include "mszip_harness.h"
#include "zlib_frames.h"

namespace tamrix::mszip::test {
namespace {

void expectDecodesTo(const std::vector<uint8_t>& data, const ZlibSettings& settings) {
    const std::vector<std::vector<uint8_t>> blocks = makeMszipBlocks(data, settings);
    MszipDecoder decoder;
    size_t offset = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const std::vector<uint8_t> out = decoder.decodeOk(blocks[i]);
        const size_t expected = std::min<size_t>(32768, data.size() - offset);
        ASSERT_EQ(out.size(), expected) << "block " << i;
        ASSERT_TRUE(std::equal(out.begin(), out.end(), data.begin() + offset)) << "block " << i;
        offset += out.size();
    }
    EXPECT_EQ(offset, data.size());
}

TEST(MszipZlib, EveryLevelStrategyAndFraming) {
    const std::vector<uint8_t> data = makeMixedData(7 * 32768 + 1234, 1);
    for (Framing framing : {Framing::PrimedPerFrame, Framing::SyncFlushedStream}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
            for (int level : {0, 1, 6, 9}) {
                SCOPED_TRACE(testing::Message() << "strategy " << strategy << " level " << level
                                                << " framing " << int(framing));
                expectDecodesTo(data, ZlibSettings{level, strategy, framing});
            }
        }
    }
}

TEST(MszipZlib, SmallAndEmptyFolders) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{100}, size_t{32768}, size_t{32769}}) {
        expectDecodesTo(makeMixedData(size, 2), ZlibSettings{});
    }
}

}  // namespace
}  // namespace tamrix::mszip::test
