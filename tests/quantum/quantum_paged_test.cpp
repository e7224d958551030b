// The paged window for real: the window's block refused, few slots, evictions through an
// in-memory spill file, and its failures.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codecs/quantum/quantum_decoder.h"
#include "tests/quantum/quantum_stream_writer.h"
#include "tests/quantum/quantum_test_env.h"

namespace tamrix::quantum_test {
namespace {

class PagedWindow : public ::testing::Test {
  protected:
    void SetUp() override { resetEnvironment(); }
    void TearDown() override { EXPECT_EQ(liveAllocations(), 0); }

    // Refuses the window's one block; grants `slots` page slots (-1: as many as asked).
    static void pageWindow(unsigned windowBits, int slots) {
        allocPolicy().refuseSize = 1u << windowBits;
        allocPolicy().slotSize = sizeof(quantum::WindowSlot);
        allocPolicy().slotBudget = slots;
    }
};

std::vector<uint8_t> noise(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out) b = uint8_t(rng());
    return out;
}

TEST_F(PagedWindow, WholeWindowInSlotsNeverTouchesTheSpillFile) {
    pageWindow(21, -1);
    const auto data = mixedData((size_t(5) << 20) / 2, 11);
    const auto frames = compressFrames(data, 21);
    {
        TestCodec codec(21);
        ASSERT_NE(codec.handle(), nullptr);
        EXPECT_EQ(quantum::gQuantumDecoder.window, nullptr);
        std::vector<uint8_t> decoded;
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
        EXPECT_EQ(decoded, data);
    }
    // The request: "*", NUL, the window size as a little-endian word; read-write, create,
    // untranslated; read and write permission.
    EXPECT_EQ(spillLog().opens, 1);
    EXPECT_EQ(spillLog().lastOpenPath, (std::vector<uint8_t>{0x2A, 0, 0, 0, 0x20, 0}));
    EXPECT_EQ(spillLog().lastOpenFlags, 0x8102);
    EXPECT_EQ(spillLog().lastOpenMode, 0x180);
    EXPECT_EQ(spillLog().writes, 0);
    EXPECT_EQ(spillLog().reads, 0);
    EXPECT_EQ(spillLog().closes, 1);
}

class PagedSlots : public PagedWindow, public ::testing::WithParamInterface<int> {};

TEST_P(PagedSlots, EvictedDirtyPagesGoToTheirOffsetsAndComeBack) {
    const int slots = GetParam();
    pageWindow(17, slots);  // 32 pages
    const auto data = mixedData(600000, 12);
    const auto frames = compressFrames(data, 17);
    {
        TestCodec codec(17);
        ASSERT_NE(codec.handle(), nullptr);
        std::vector<uint8_t> decoded;
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
        EXPECT_EQ(decoded, data);
    }
    EXPECT_GT(spillLog().writes, 0);
    EXPECT_GT(spillLog().reads, 0);
    for (uint32_t offset : spillLog().writeOffsets) {
        EXPECT_EQ(offset % 4096, 0u);
        EXPECT_LT(offset, 1u << 17);
    }
    for (uint32_t offset : spillLog().readOffsets) EXPECT_EQ(offset % 4096, 0u);
}

INSTANTIATE_TEST_SUITE_P(SlotCounts, PagedSlots, ::testing::Values(3, 4, 5, 8, 16, 31));

TEST_F(PagedWindow, MatchCrossingASourcePageThenTheWritePageWithThreeSlots) {
    // Window 2^15 in 8 pages and 3 slots. The match's source crosses from page 1 into page 2,
    // then its destination crosses from page 4 into page 5. The two source fetches leave the
    // write slot least recently used; the next write page must then take another slot.
    pageWindow(15, 3);
    StreamWriter w(15);
    std::vector<uint8_t> expected = noise(5 * 4096 - 100, 13);
    w.literals(expected);
    const uint32_t distance = uint32_t(expected.size()) - (2 * 4096 - 30);
    w.match(200, distance);
    for (int k = 0; k < 200; ++k) expected.push_back(expected[expected.size() - distance]);
    const auto block = w.finishBlock();
    TestCodec codec(15);
    std::vector<uint8_t> out(expected.size());
    ASSERT_EQ(codec.decode(block, out.data(), uint32_t(out.size())), CodecSuccess);
    EXPECT_EQ(out, expected);
}

TEST_F(PagedWindow, SpillFileFaultsFailTheCallUntilReset) {
    const auto data = mixedData(400000, 14);
    const auto frames = compressFrames(data, 16);
    for (int fault = 0; fault < 2; ++fault) {
        resetEnvironment();
        pageWindow(16, 3);
        if (fault == 0) {
            spillFaults().shortReadAt = 0;
        } else {
            spillFaults().failWriteAt = 0;
        }
        TestCodec codec(16);
        std::vector<uint8_t> decoded;
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecDataError) << fault;
        // Later blocks fail too, without touching the window, until a reset.
        std::vector<uint8_t> out(32768);
        EXPECT_EQ(codec.decode(frames[0], out.data(), 32768), CodecDataError);
        ASSERT_EQ(codec.reset(), CodecSuccess);
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess) << fault;
        EXPECT_EQ(decoded, data);
    }
}

TEST_F(PagedWindow, MatchIntoAPageNeverWrittenSinceResetFails) {
    StreamWriter w(15);
    w.literals({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    w.match(5, 9000);  // lands in page 5 of the window
    const auto farMatch = w.finishBlock();
    const auto data = mixedData(200000, 15);
    const auto frames = compressFrames(data, 15);
    uint8_t out[15];

    pageWindow(15, 3);
    {
        TestCodec codec(15);
        EXPECT_EQ(codec.decode(farMatch, out, 15), CodecDataError);
        // After a folder has filled the spill file, a reset still forgets every page.
        ASSERT_EQ(codec.reset(), CodecSuccess);
        std::vector<uint8_t> decoded;
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
        ASSERT_GT(spillLog().writes, 0);
        ASSERT_EQ(codec.reset(), CodecSuccess);
        EXPECT_EQ(codec.decode(farMatch, out, 15), CodecDataError);
    }
    // The in-memory window reads what it holds instead.
    resetEnvironment();
    TestCodec codec(15);
    ASSERT_EQ(codec.decode(farMatch, out, 15), CodecSuccess);
    EXPECT_EQ(out[12], 0);
}

TEST_F(PagedWindow, SetUpNeedsAFileAndThreeSlots) {
    CodecResult r;
    pageWindow(18, 2);
    {
        TestCodec codec(18, &r);
        EXPECT_EQ(r, CodecOutOfMemory);
    }
    EXPECT_EQ(spillLog().opens, 1);
    EXPECT_EQ(spillLog().closes, 1);
    // No file callbacks at all.
    pageWindow(18, -1);
    uint32_t maxOutput = 32768, inputSize;
    void* handle = nullptr;
    QuantumParams params{18, -1};
    EXPECT_EQ(kQuantumCodec.create(&maxOutput, &params, testAlloc(), testFree(), &inputSize,
                                   &handle, nullptr),
              CodecOutOfMemory);
    EXPECT_EQ(handle, nullptr);
    // Three slots are enough.
    pageWindow(18, 3);
    TestCodec codec(18, &r);
    EXPECT_EQ(r, CodecSuccess);
}

TEST_F(PagedWindow, MatchesNearTheWritePagesEndCopyAsBytesWould) {
    // Window 2^15 in 8 pages, 3 slots. Matches of short distances (overlapping their own bytes)
    // and of longer ones end one byte before the write page's end, at it and past it, between
    // matches reaching back three pages, which leave the write slot behind the most recent.
    StreamWriter w(15);
    std::vector<uint8_t> expected = noise(4 * 4096 + 50, 16);
    w.literals(expected);
    std::mt19937 rng(16);
    const auto copy = [&](uint32_t length, uint32_t distance) {
        w.match(length, distance);
        for (uint32_t k = 0; k < length; ++k)
            expected.push_back(expected[expected.size() - distance]);
    };
    while (expected.size() < 32768 - 600) {
        const uint32_t toPageEnd = 4096 - uint32_t(expected.size() % 4096);
        if (toPageEnd > 300) {
            copy(4 + rng() % 40, 3 * 4096 + rng() % 100);  // length 3 reaches 4096 at most
            const uint32_t distance = 1 + rng() % 12;
            if (distance <= expected.size() % 4096) copy(3 + rng() % 20, distance);
            expected.push_back(uint8_t(rng()));
            w.literal(expected.back());
        } else {
            // Literals up to a match that ends at toPageEnd - 1, toPageEnd or toPageEnd + 1
            // (in turn), its distance short or long.
            uint32_t end = toPageEnd - 1 + uint32_t(expected.size() / 4096 % 3);
            while (end > 3 + rng() % 30) {
                expected.push_back(uint8_t(rng()));
                w.literal(expected.back());
                --end;
            }
            if (end >= 3) copy(end, 1 + rng() % (rng() % 2 ? 12 : 300));
            expected.push_back(uint8_t(rng()));
            w.literal(expected.back());
        }
    }
    const auto block = w.finishBlock();
    pageWindow(15, 3);
    TestCodec codec(15);
    std::vector<uint8_t> out(expected.size());
    ASSERT_EQ(codec.decode(block, out.data(), uint32_t(out.size())), CodecSuccess);
    EXPECT_EQ(out, expected);
    EXPECT_GT(spillLog().reads, 0);
}

class SmallPagedWindow : public PagedWindow, public ::testing::WithParamInterface<unsigned> {};

TEST_P(SmallPagedWindow, WrapsWhereTheMatchSourcesWrap) {
    // Windows of at most two pages: the writing side must wrap at the window size, or matches
    // of a window's distance would read the wrong lap.
    const unsigned bits = GetParam();
    const uint32_t size = 1u << bits;
    StreamWriter w(bits);
    std::vector<uint8_t> expected = noise(size + 100, bits);
    w.literals(expected);
    std::mt19937 rng(bits);
    while (expected.size() < 32768 - 300) {
        const uint32_t length = 5 + rng() % 255;
        const uint32_t distance = rng() % 2 ? size : size - rng() % 64;
        w.match(length, distance);
        for (uint32_t k = 0; k < length; ++k)
            expected.push_back(expected[expected.size() - distance]);
        expected.push_back(uint8_t(rng()));
        w.literal(expected.back());
    }
    const auto block = w.finishBlock();
    for (int paged = 0; paged < 2; ++paged) {
        resetEnvironment();
        if (paged) pageWindow(bits, -1);
        TestCodec codec(bits);
        ASSERT_EQ(quantum::gQuantumDecoder.window == nullptr, paged == 1);
        std::vector<uint8_t> out(expected.size());
        ASSERT_EQ(codec.decode(block, out.data(), uint32_t(out.size())), CodecSuccess);
        EXPECT_EQ(out, expected) << "paged " << paged;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, SmallPagedWindow, ::testing::Values(10u, 11u, 12u, 13u));

}  // namespace
}  // namespace tamrix::quantum_test
