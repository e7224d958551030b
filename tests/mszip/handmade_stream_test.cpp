// Hand-made deflate streams for what zlib never writes: invalid blocks of every kind, codes at
// the limits, matches into the previous block, and the end of the data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "bit_writer.h"
#include "mszip_harness.h"

namespace tamrix::mszip::test {
namespace {

void emit(BitWriter& w, const std::vector<uint8_t>& lengths, uint32_t symbol) {
    w.code(canonicalCodes(lengths)[symbol], lengths[symbol]);
}

// A complete literal/length code: 'a' = 0, end of block = 10, length 3 = 11.
std::vector<uint8_t> smallLitLen() {
    std::vector<uint8_t> l(258);
    l['a'] = 1;
    l[256] = 2;
    l[257] = 2;
    return l;
}

std::vector<uint8_t> pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) out[i] = uint8_t((i * 7 + seed) ^ (i >> 5));
    return out;
}

CodecResult decodeOnce(const BitWriter& w, uint32_t* produced = nullptr) {
    MszipDecoder decoder;
    uint32_t size;
    const CodecResult r = decoder.decode(w.block(), &size);
    if (produced) *produced = size;
    return r;
}

TEST(MszipHandmade, EveryFailureClassIsADataError) {
    const std::vector<std::pair<const char*, std::function<void(BitWriter&)>>> cases = {
        {"block type 3", [](BitWriter& w) { w.header(true, 3); }},
        {"stored NLEN not the complement",
         [](BitWriter& w) {
             w.header(true, 0);
             w.alignToByte();
             w.bits(5, 16);
             w.bits(0xFFFB, 16);
         }},
        {"stored LEN past the data",
         [](BitWriter& w) {
             w.header(true, 0);
             w.alignToByte();
             w.bits(5, 16);
             w.bits(0xFFFA, 16);
             for (int i = 0; i < 4; ++i) w.byte('x');
         }},
        {"287 literal/length codes", [](BitWriter& w) { w.header(true, 2), w.bits(30, 5); }},
        {"31 distance codes", [](BitWriter& w) { w.header(true, 2), w.bits(0, 5), w.bits(30, 5); }},
        {"empty code-length code",
         [](BitWriter& w) {
             w.header(true, 2);
             w.bits(1, 5), w.bits(0, 5), w.bits(0, 4), w.bits(0, 12);
         }},
        {"filler code of a one-code code-length code",
         [](BitWriter& w) {
             w.header(true, 2);
             w.bits(1, 5), w.bits(0, 5), w.bits(0, 4);
             w.bits(0, 9), w.bits(1, 3);  // only length 0 has a code, '0'
             w.bits(1, 1);                // the filler
         }},
        {"repeat past the end of the lengths",
         [](BitWriter& w) {
             w.header(true, 2);
             LengthsWriter lengths(w, 258, 1);
             lengths.symbol(18), w.bits(127, 7);  // 138 zeros
             lengths.symbol(18), w.bits(110, 7);  // 121 more: one too many
         }},
        {"over-subscribed literal/length code",
         [](BitWriter& w) {
             std::vector<uint8_t> lit(258);
             lit[0] = lit[1] = lit[256] = 1;
             w.header(true, 2), writeDynamicHeader(w, lit, {1});
         }},
        {"incomplete literal/length code",
         [](BitWriter& w) {
             std::vector<uint8_t> lit(258);
             lit['a'] = lit[256] = 2;
             w.header(true, 2), writeDynamicHeader(w, lit, {1});
         }},
        {"empty literal/length code in use",
         [](BitWriter& w) {
             w.header(true, 2), writeDynamicHeader(w, std::vector<uint8_t>(257), {1});
         }},
        {"empty distance code in use",
         [](BitWriter& w) {
             w.header(true, 2), writeDynamicHeader(w, smallLitLen(), {0});
             emit(w, smallLitLen(), 'a'), emit(w, smallLitLen(), 257);
         }},
        {"filler of a lone distance code",
         [](BitWriter& w) {
             w.header(true, 2), writeDynamicHeader(w, smallLitLen(), {1});
             emit(w, smallLitLen(), 'a'), emit(w, smallLitLen(), 257), w.bits(1, 1);
         }},
        {"fixed symbol 286", [](BitWriter& w) { w.header(true, 1), w.fixedSymbol(286); }},
        {"fixed symbol 287", [](BitWriter& w) { w.header(true, 1), w.fixedSymbol(287); }},
        {"fixed distance 30",
         [](BitWriter& w) { w.header(true, 1), w.fixedSymbol(257), w.fixedDistanceSymbol(30); }},
        {"fixed distance 31",
         [](BitWriter& w) { w.header(true, 1), w.fixedSymbol(257), w.fixedDistanceSymbol(31); }},
        {"non-final block at the end of the data",
         [](BitWriter& w) { w.header(false, 1), w.fixedSymbol('a'), w.fixedSymbol(256); }},
    };
    for (const auto& [name, write] : cases) {
        BitWriter w;
        write(w);
        EXPECT_EQ(decodeOnce(w), CodecDataError) << name;
    }
}

TEST(MszipHandmade, StoredBlocksTakeExactlyTheirBytes) {
    BitWriter w;
    w.stored(false, {});
    w.stored(false, {1, 2});
    w.header(false, 1), w.fixedSymbol('z'), w.fixedSymbol(256);  // leaves the bits unaligned
    w.stored(false, {});
    w.stored(true, {3, 4, 5, 6, 7});  // ends exactly at the data's end
    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(w.block()), (std::vector<uint8_t>{1, 2, 'z', 3, 4, 5, 6, 7}));
}

TEST(MszipHandmade, CodesAtTheLimitsDecode) {
    // 286 literal/length codes (226 of 8 bits, 60 of 9) and a complete 30-code distance code.
    std::vector<uint8_t> lit(286, 8), dist(30, 5);
    std::fill(lit.begin() + 226, lit.end(), 9);
    dist[0] = dist[1] = 4;
    BitWriter w;
    w.header(true, 2), writeDynamicHeader(w, lit, dist);
    emit(w, lit, 'x'), emit(w, lit, 285), emit(w, dist, 0);  // length 258, distance 1
    emit(w, lit, 256);
    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(w.block()), std::vector<uint8_t>(259, 'x'));

    // A lone one-bit distance code; an empty distance code in a block of literals only; a
    // repeat of the previous length before any length, which repeats 0.
    BitWriter lone;
    lone.header(false, 2), writeDynamicHeader(lone, smallLitLen(), {1});
    emit(lone, smallLitLen(), 'a'), emit(lone, smallLitLen(), 257), lone.bits(0, 1);
    emit(lone, smallLitLen(), 256);
    lone.header(false, 2), writeDynamicHeader(lone, smallLitLen(), {0});
    emit(lone, smallLitLen(), 'a'), emit(lone, smallLitLen(), 256);
    lone.header(true, 2);
    LengthsWriter lengths(lone, 258, 1);
    lengths.symbol(16), lone.bits(0, 2);  // symbols 0..2: length 0
    for (uint32_t s = 3; s < 258; ++s) lengths.symbol(smallLitLen()[s]);
    lengths.symbol(1);
    emit(lone, smallLitLen(), 'a'), emit(lone, smallLitLen(), 256);
    EXPECT_EQ(decoder.decodeOk(lone.block()), std::vector<uint8_t>(6, 'a'));
}

TEST(MszipHandmade, DeepDistanceCodesDecodeAsZlibDecodesThem) {
    // A complete 30-symbol code with codes up to 15 bits (its tables need 588 entries).
    const std::vector<uint8_t> dist = {1, 2, 3, 5, 7,  7,  7,  7,  7,  7,  7,  7,  7,  8,  8,
                                       8, 8, 8, 9, 10, 13, 13, 13, 13, 13, 13, 13, 14, 15, 15};
    BitWriter w;
    w.header(true, 2), writeDynamicHeader(w, smallLitLen(), dist);
    emit(w, smallLitLen(), 'a'), emit(w, smallLitLen(), 256);
    w.alignToByte();
    uint32_t produced = 0;
    EXPECT_EQ(decodeOnce(w, &produced), CodecSuccess);
    EXPECT_EQ(produced, 1u);

    // zlib takes the same stream.
    const std::vector<uint8_t> block = w.block();
    uint8_t out[8];
    z_stream z{};
    ASSERT_EQ(inflateInit2(&z, -15), Z_OK);
    z.next_in = const_cast<uint8_t*>(block.data() + 2);
    z.avail_in = uInt(block.size() - 2);
    z.next_out = out;
    z.avail_out = sizeof out;
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.total_out, 1u);
    inflateEnd(&z);
}

TEST(MszipHandmade, MatchesReachIntoThePreviousBlock) {
    const std::vector<uint8_t> first = pattern(32768, 3);
    BitWriter a;
    a.stored(false, first);
    BitWriter b;
    b.header(true, 1);
    b.fixedMatch(3, 32768);  // the first bytes of the previous block, at the same offsets
    b.fixedMatch(10, 1);     // the byte just written, ten times
    b.fixedMatch(20, 14);    // starts 1 byte before this block: wraps to its start
    b.fixedMatch(258, 32768);
    b.fixedSymbol(256);

    std::vector<uint8_t> history = first;
    auto copy = [&](size_t length, size_t distance) {
        for (size_t i = 0; i < length; ++i) history.push_back(history[history.size() - distance]);
    };
    copy(3, 32768), copy(10, 1), copy(20, 14), copy(258, 32768);

    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(a.block()), first);
    EXPECT_EQ(decoder.decodeOk(b.block()),
              std::vector<uint8_t>(history.begin() + 32768, history.end()));

    // A new folder after reset: a block that never reaches back decodes on its own.
    EXPECT_EQ(decoder.reset(), CodecSuccess);
    BitWriter c;
    c.header(true, 1), c.fixedSymbol('q'), c.fixedMatch(4, 1), c.fixedSymbol(256);
    EXPECT_EQ(decoder.decodeOk(c.block()), std::vector<uint8_t>(5, 'q'));
}

TEST(MszipHandmade, MatchesCopyAsIfByteByByte) {
    // Every distance 1..24 with lengths 3..40, against a byte-by-byte copy.
    BitWriter w;
    w.header(true, 1);
    std::vector<uint8_t> expected;
    for (uint32_t i = 0; i < 24; ++i) {
        w.fixedSymbol(i * 37 % 256);
        expected.push_back(uint8_t(i * 37 % 256));
    }
    for (uint32_t distance = 1; distance <= 24; ++distance) {
        for (uint32_t length = 3; length <= 40; ++length) {
            w.fixedMatch(length, distance);
            for (uint32_t i = 0; i < length; ++i)
                expected.push_back(expected[expected.size() - distance]);
            w.fixedSymbol(length);
            expected.push_back(uint8_t(length));
        }
    }
    w.fixedSymbol(256);
    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(w.block()), expected);
}

TEST(MszipHandmade, DecodingStopsAtTheLimitAndIgnoresTheRest) {
    // Non-final blocks that complete 32768 bytes without an end-of-block code, junk behind.
    BitWriter fixed;
    fixed.header(false, 1), fixed.fixedSymbol('z');
    for (int i = 0; i < 127; ++i) fixed.fixedMatch(258, 1);
    fixed.fixedSymbol('y');
    fixed.bits(0xFFFFFFFF, 32);
    BitWriter stored;
    stored.stored(false, pattern(32768, 9));
    stored.bits(0xFFFFFF, 24);
    for (const BitWriter* w : {&fixed, &stored}) {
        uint32_t produced = 0;
        EXPECT_EQ(decodeOnce(*w, &produced), CodecSuccess);
        EXPECT_EQ(produced, 32768u);
    }
}

TEST(MszipHandmade, NoByteIsWrittenPastTheLimit) {
    // Literals then two more and a longest match, the limit falling inside the match. A first
    // short match shifts where the decoder's literal runs start, so every alignment is tried.
    for (uint32_t shift = 3; shift <= 5; ++shift) {
        for (uint32_t before = 32768 - 270; before <= 32768 - 250; ++before) {
            BitWriter w;
            w.header(true, 1);
            w.fixedSymbol('a'), w.fixedMatch(shift, 1);
            for (uint32_t i = 1 + shift; i < before; ++i) w.fixedSymbol('a' + i % 3);
            w.fixedSymbol('x'), w.fixedSymbol('y');
            w.fixedMatch(258, 1);
            w.fixedMatch(258, 1);
            w.fixedSymbol(256);
            for (int i = 0; i < 8; ++i) w.bits(0, 32);  // input enough for the decoder's fast road
            MszipDecoder decoder;
            uint32_t produced = 0;
            EXPECT_EQ(decoder.decode(w.block(), &produced), CodecSuccess) << shift << " " << before;
            EXPECT_EQ(produced, 32768u);
            EXPECT_TRUE(decoder.guardIntact()) << shift << " " << before;
        }
    }
}

TEST(MszipHandmade, ZeroBitsPastTheEndSpellEndOfBlock) {
    // A final fixed block whose end-of-block code (seven 0 bits) is missing from the data.
    BitWriter w;
    w.header(true, 1), w.fixedSymbol('o'), w.fixedSymbol('k');
    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(w.block()), (std::vector<uint8_t>{'o', 'k'}));
}

}  // namespace
}  // namespace tamrix::mszip::test
