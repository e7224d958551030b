// Hand-made streams: block sequencing across calls, uncompressed blocks, repeated distances,
// and the failures the decoder must turn into a clean data error.
#include <gtest/gtest.h>

#include <random>

#include "codecs/little_endian.h"
#include "tests/lzx/lzx_stream_builder.h"
#include "tests/lzx/lzx_test_util.h"

namespace tamrix {
namespace {

using lzx_test::Decoder;
using lzx_test::StreamBuilder;

std::vector<uint8_t> randomBytes(uint32_t n, uint32_t seed) {
    return lzx_test::makeRandom(n, seed);
}

// A reference for what literal and match symbols produce.
struct Expected {
    std::vector<uint8_t> bytes;
    void literal(StreamBuilder& s, uint8_t b) {
        s.literal(b);
        bytes.push_back(b);
    }
    void match(uint32_t distance, uint32_t length) {
        for (uint32_t i = 0; i < length; ++i) {
            const size_t from = bytes.size() - distance;
            bytes.push_back(from < bytes.size() ? bytes[from] : 0);
        }
    }
};

TEST(LzxStream, BlocksRunAcrossCallsWithUncompressedBlocksAndRepeatedDistances) {
    StreamBuilder s(16);
    Expected e;
    std::vector<std::vector<uint8_t>> blocks;

    // Frame 1: a verbatim block of 40,000 bytes begins; 32,768 literals.
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 40000);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    for (uint32_t i = 0; i < 32768; ++i) e.literal(s, uint8_t(i * 7 + (i >> 9)));
    blocks.push_back(s.finish());

    // Frame 2: the rest of that block; an odd uncompressed block with R0-R2 = 5, 6, 7; then a
    // verbatim block that ends exactly at the frame's end and uses those distances.
    for (uint32_t i = 0; i < 7232; ++i) e.literal(s, uint8_t(i * 13));
    s.blockHeader(lzx::kBlockUncompressed, 1001);
    const auto raw = randomBytes(1001, 5);
    s.uncompressed(5, 6, 7, raw);
    e.bytes.insert(e.bytes.end(), raw.begin(), raw.end());
    s.rawByte(0x77);  // the pad byte after odd-sized data
    s.blockHeader(lzx::kBlockVerbatim, 24535);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    s.match(0, 10);  // R0 = 5
    e.match(5, 10);
    s.match(2, 12);  // R2 = 7, swapped with R0
    e.match(7, 12);
    s.match(1, 3);  // R1 = 6 after the swap? R1 stays 6
    e.match(6, 3);
    s.match(3, 40);  // slot 3: distance 1
    e.match(1, 40);
    s.match(6, 200);  // slot 6: distance 6 + 2 extra bits (= 3) -> 9
    s.bits(3, 2);
    e.match(9, 200);
    s.match(0, 257);  // R0 is now 9
    e.match(9, 257);
    while (e.bytes.size() < 65536) e.literal(s, uint8_t(e.bytes.size()));
    blocks.push_back(s.finish());

    // Frame 3 (last, short): the next header comes at the start of the call.
    s.blockHeader(lzx::kBlockVerbatim, 5000);
    s.trees(lzx_test::flatMainLengths(false), {});
    for (uint32_t i = 0; i < 5000; ++i) e.literal(s, uint8_t(i ^ 0x5A));
    blocks.push_back(s.finish());

    Decoder d(1u << 16);
    int failedAt = 0;
    const auto out = lzx_test::decompressFolder(d, blocks, uint32_t(e.bytes.size()), &failedAt);
    ASSERT_EQ(failedAt, -1);
    EXPECT_TRUE(out == e.bytes);
}

// A verbatim match of `length` at `distance` (at least 1), with its slot's extra bits.
void matchAt(StreamBuilder& s, Expected& e, uint32_t distance, uint32_t length) {
    uint32_t slot = 3;
    while (distance >= lzx::kDistanceBase[slot] + (1u << lzx::kExtraBits[slot])) ++slot;
    s.match(slot, length);
    if (lzx::kExtraBits[slot] != 0) {
        s.bits(distance - lzx::kDistanceBase[slot], lzx::kExtraBits[slot]);
    }
    e.match(distance, length);
}

TEST(LzxStream, MatchesOfEveryShortDistanceAndLengthCopyExactly) {
    // Overlapping copies repeat a pattern of 1 to 17 bytes; the bytes right after each match
    // are history and must survive until the next symbol overwrites them.
    StreamBuilder s(16);
    Expected e;
    s.e8Header(0);
    std::vector<uint32_t> lengths = {2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 64, 100, 257};
    for (uint32_t n = 10; n < 15; ++n) lengths.push_back(n);
    std::vector<std::pair<uint32_t, uint32_t>> matches;
    for (uint32_t distance = 1; distance <= 17; ++distance) {
        for (uint32_t length : lengths) matches.push_back({distance, length});
    }
    for (uint32_t distance : {300u, 1000u, 5000u}) {
        for (uint32_t length : lengths) matches.push_back({distance, length});
    }
    uint32_t size = 6000;
    for (const auto& m : matches) size += m.second + 1;
    ASSERT_LE(size, lzx::kFrameSize);

    s.blockHeader(lzx::kBlockVerbatim, size);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    for (uint32_t i = 0; i < 6000; ++i) e.literal(s, uint8_t(i * 37 + (i >> 7)));
    for (const auto& [distance, length] : matches) {
        matchAt(s, e, distance, length);
        e.literal(s, uint8_t(length * 3 + distance));
    }
    Decoder d(1u << 16);
    std::vector<uint8_t> out;
    ASSERT_EQ(d.decode(s.finish(), size, &out), CodecSuccess);
    EXPECT_TRUE(out == e.bytes);
}

TEST(LzxStream, MatchesAtTheWindowsEndAndTheOldestHistoryCopyExactly) {
    // A match ends exactly at the window's end; the next pass opens with a match reading its
    // last byte. In that pass a short match is followed by one of the longest distance, which
    // reads the bytes right after the short match: they must still be the previous pass's.
    StreamBuilder s(16);
    Expected e;
    std::vector<std::vector<uint8_t>> blocks;
    s.e8Header(0);
    s.blockHeader(lzx::kBlockUncompressed, 32768);
    const auto raw = randomBytes(32768, 21);
    s.uncompressed(1, 1, 1, raw);
    e.bytes = raw;
    blocks.push_back(s.finish());

    s.blockHeader(lzx::kBlockVerbatim, 32768);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    const auto noise = randomBytes(32768 - 257, 22);
    for (uint8_t b : noise) e.literal(s, b);
    matchAt(s, e, 1000, 257);
    ASSERT_EQ(e.bytes.size(), 65536u);
    blocks.push_back(s.finish());

    s.blockHeader(lzx::kBlockVerbatim, 32768);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    matchAt(s, e, 1, 10);
    while (e.bytes.size() < 65536 + 300) e.literal(s, uint8_t(e.bytes.size() * 7));
    matchAt(s, e, 100, 5);
    matchAt(s, e, 65533, 20);
    while (e.bytes.size() < 3 * 32768) e.literal(s, uint8_t(e.bytes.size() * 5));
    blocks.push_back(s.finish());

    Decoder d(1u << 16);
    int failedAt = 0;
    const auto out = lzx_test::decompressFolder(d, blocks, uint32_t(e.bytes.size()), &failedAt);
    ASSERT_EQ(failedAt, -1);
    EXPECT_TRUE(out == e.bytes);
    // The long-distance match took the previous pass's bytes.
    EXPECT_TRUE(
        std::equal(out.begin() + 65536 + 305, out.begin() + 65536 + 325, out.begin() + 308));
}

TEST(LzxStream, ZeroSizedBlockIsFollowedAtOnceByTheNextHeader) {
    StreamBuilder s(15);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 0);
    s.trees(lzx_test::flatMainLengths(false), {});
    s.blockHeader(lzx::kBlockVerbatim, 3);
    s.trees(lzx_test::flatMainLengths(false), {});
    s.literal('a');
    s.literal('b');
    s.literal('c');
    Decoder d(1u << 15);
    std::vector<uint8_t> out;
    ASSERT_EQ(d.decode(s.finish(), 3, &out), CodecSuccess);
    EXPECT_EQ(std::string(out.begin(), out.end()), "abc");
}

TEST(LzxStream, OddUncompressedBlockEndingAFrameSkipsTheNextCallsFirstByte) {
    StreamBuilder s(15);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 1);
    s.trees(lzx_test::flatMainLengths(false), {});
    s.literal('A');
    s.blockHeader(lzx::kBlockUncompressed, 32767);
    const auto raw = randomBytes(32767, 9);
    s.uncompressed(1, 1, 1, raw);
    auto first = s.finish();
    s.rawByte(0xEE);
    s.blockHeader(lzx::kBlockUncompressed, 4);
    s.uncompressed(1, 1, 1, {'w', 'x', 'y', 'z'});
    auto second = s.finish();

    Decoder d(1u << 15);
    std::vector<uint8_t> out;
    ASSERT_EQ(d.decode(first, 32768, &out), CodecSuccess);
    EXPECT_EQ(out[0], 'A');
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), out.begin() + 1));
    ASSERT_EQ(d.decode(second, 4, &out), CodecSuccess);
    EXPECT_EQ(std::string(out.begin(), out.end()), "wxyz");
}

TEST(LzxStream, MatchBeforeTheFolderStartReadsZeros) {
    // Regression class: a distance reaching before the window's first byte.
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 30);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    s.literal('x');
    s.match(20, 29);  // slot 20: distance 1022 + 9 extra bits
    s.bits(511, 9);
    Decoder d(1u << 16);
    std::vector<uint8_t> out;
    ASSERT_EQ(d.decode(s.finish(), 30, &out), CodecSuccess);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(std::count(out.begin() + 1, out.end(), 0), 29);
}

TEST(LzxStream, RepeatedDistanceOfAWholeWindowLeavesTheBytesAsTheyWere) {
    // An uncompressed header may set R0 to 0 or to the window size: the match's source is its
    // own destination, so the bytes stay the history of one window ago (zeros in the first
    // pass), in the mirrored start of the pass and after it.
    for (uint32_t r0 : {0u, 1u << 16}) {
        for (uint32_t prefix : {100u, 1000u}) {
            StreamBuilder s(16);
            s.e8Header(0);
            s.blockHeader(lzx::kBlockUncompressed, prefix);
            const auto raw = randomBytes(prefix, r0 + prefix);
            s.uncompressed(r0, 1, 1, raw);
            s.blockHeader(lzx::kBlockVerbatim, 300);
            s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
            s.match(0, 257);
            s.match(0, 40);
            for (int i = 0; i < 3; ++i) s.literal('q');
            Decoder d(1u << 16);
            std::vector<uint8_t> out;
            ASSERT_EQ(d.decode(s.finish(), prefix + 300, &out), CodecSuccess)
                << r0 << " " << prefix;
            EXPECT_TRUE(std::equal(raw.begin(), raw.end(), out.begin()));
            EXPECT_EQ(std::count(out.begin() + prefix, out.begin() + prefix + 297, 0), 297);
            EXPECT_EQ(out[prefix + 299], 'q');
        }
    }
}

// Streams the decoder must refuse with a data error and an output size of 0.
class LzxBadStream : public testing::Test {
  protected:
    void expectFailure(const std::vector<uint8_t>& block, uint32_t wanted, uint32_t window = 16) {
        Decoder d(1u << window);
        std::vector<uint8_t> out;
        for (uint8_t fill : {uint8_t(0), uint8_t(0xFF)}) {
            ASSERT_EQ(d.reset(), CodecSuccess);
            EXPECT_EQ(d.decode(block, wanted, &out, fill), CodecDataError);
            EXPECT_TRUE(out.empty());
        }
    }
};

TEST_F(LzxBadStream, InvalidBlockTypes) {
    for (uint32_t type : {0u, 4u, 5u, 6u, 7u}) {
        StreamBuilder s(16);
        s.e8Header(0);
        s.blockHeader(type, 100);
        s.bits(0, 16);
        expectFailure(s.finish(), 100);
    }
}

TEST_F(LzxBadStream, UncompressedBlockLongerThanItsInput) {
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockUncompressed, 1000);
    s.uncompressed(1, 1, 1, randomBytes(100, 1));
    expectFailure(s.finish(), 1000);
}

TEST_F(LzxBadStream, UncompressedHeaderCutShort) {
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockUncompressed, 10);
    auto block = s.finish();
    block.resize(block.size() + 7, 0x11);  // R0 and part of R1 only
    expectFailure(block, 10);
}

TEST_F(LzxBadStream, IncompleteAndOverSubscribedTrees) {
    std::vector<uint8_t> single(256, 0);
    single['a'] = 1;                         // one code of length 1: incomplete
    std::vector<uint8_t> over(256, 1);       // 256 codes of length 1: far too many
    std::vector<uint8_t> longOver(400, 16);  // over-subscribed with node chains
    longOver.resize(256);
    for (const auto& mainLengths : {single, over}) {
        StreamBuilder s(16);
        s.e8Header(0);
        s.blockHeader(lzx::kBlockVerbatim, 10);
        s.trees(mainLengths, {});
        s.bits(0, 32);
        expectFailure(s.finish(), 10);
    }
    // A length tree that overflows: every symbol of length 7.
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 10);
    s.trees(lzx_test::flatMainLengths(true), std::vector<uint8_t>(249, 7));
    s.bits(0, 32);
    expectFailure(s.finish(), 10);
}

TEST_F(LzxBadStream, OverSubscribedPreTree) {
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 10);
    for (int i = 0; i < 20; ++i) s.bits(1, 4);  // twenty codes of length 1
    s.bits(0, 32);
    expectFailure(s.finish(), 10);
}

TEST_F(LzxBadStream, MatchPastTheEndOfTheBlockOrFrame) {
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 10);
    s.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    s.literal('q');
    s.match(3, 10);  // 11 bytes in a 10-byte block
    expectFailure(s.finish(), 10);

    StreamBuilder f(16);
    f.e8Header(0);
    f.blockHeader(lzx::kBlockVerbatim, 100);
    f.trees(lzx_test::flatMainLengths(true), lzx_test::flatLengthLengths());
    f.literal('q');
    f.match(3, 50);  // the frame asks for 20 bytes only
    expectFailure(f.finish(), 20);
}

TEST_F(LzxBadStream, SymbolsBeyondTheInput) {
    StreamBuilder s(16);
    s.e8Header(0);
    s.blockHeader(lzx::kBlockVerbatim, 1000);
    s.trees(lzx_test::flatMainLengths(false), {});
    for (int i = 0; i < 100; ++i) s.literal('z');
    expectFailure(s.finish(), 1000);
    expectFailure({}, 10);  // an empty block
}

TEST(LzxStream, E8TranslationStopsAfter32768Frames) {
    // One uncompressed block of 16-byte frames, each an E8 with operand 0 and eleven NOPs.
    const uint32_t frames = 32769;
    StreamBuilder s(15);
    s.e8Header(1u << 20);
    s.blockHeader(lzx::kBlockUncompressed, 16 * frames);
    std::vector<uint8_t> frame(16, 0x90);
    frame[0] = 0xE8;
    frame[1] = frame[2] = frame[3] = frame[4] = 0;
    s.uncompressed(1, 1, 1, frame);
    Decoder d(1u << 15);
    std::vector<uint8_t> out;
    ASSERT_EQ(d.decode(s.finish(), 16, &out), CodecSuccess);
    EXPECT_TRUE(out == frame);  // stream offset 0: 0 - 0 stays 0
    for (uint32_t i = 1; i < frames; ++i) {
        ASSERT_EQ(d.decode(frame, 16, &out), CodecSuccess);
        const uint32_t operand = load32(out.data() + 1);
        const uint32_t expected = i < lzx::kE8FrameLimit ? 0u - 16 * i : 0;
        ASSERT_EQ(operand, expected) << "frame " << i;
    }
}

}  // namespace
}  // namespace tamrix
