// The decoder's fast loop at its edges: codes with the most bits a round can meet (which a 32-bit
// bit buffer must refill for), and word copies from the previous block near the ends of the
// buffer. Each stream leaves the fast loop only near its end.
#include <gtest/gtest.h>

#include "bit_writer.h"
#include "codecs/mszip/deflate_constants.h"
#include "mszip_harness.h"

namespace tamrix::mszip::test {
namespace {

// A dynamic block's writer that keeps what the decoder must produce.
class DynamicStream {
  public:
    DynamicStream(std::vector<uint8_t> litLen, std::vector<uint8_t> distance,
                  std::vector<uint8_t> history, bool final = true)
        : litLen_(std::move(litLen)),
          distance_(std::move(distance)),
          litLenCodes_(canonicalCodes(litLen_)),
          distanceCodes_(canonicalCodes(distance_)),
          history_(std::move(history)),
          start_(history_.size()) {
        w_.header(final, 2);
        writeDynamicHeader(w_, litLen_, distance_);
    }

    void literal(uint8_t value) {
        w_.code(litLenCodes_[value], litLen_[value]);
        history_.push_back(value);
    }
    void match(uint32_t length, uint32_t distance) {
        uint32_t l = 28;
        while (kLengthBase[l] > length) --l;
        w_.code(litLenCodes_[257 + l], litLen_[257 + l]);
        w_.bits(length - kLengthBase[l], kLengthExtraBits[l]);
        uint32_t d = 29;
        while (kDistanceBase[d] > distance) --d;
        w_.code(distanceCodes_[d], distance_[d]);
        w_.bits(distance - kDistanceBase[d], kDistanceExtraBits[d]);
        for (uint32_t i = 0; i < length; ++i)
            history_.push_back(history_[history_.size() - distance]);
    }
    uint32_t written() const { return uint32_t(history_.size() - start_); }

    // Ends the block, with zero bytes behind so that the input never runs short of the fast
    // loop's needs before the end.
    std::vector<uint8_t> finish() {
        w_.code(litLenCodes_[256], litLen_[256]);
        w_.alignToByte();
        for (int i = 0; i < 32; ++i) w_.byte(0);
        return w_.block();
    }
    // Ends the block and adds a final stored one.
    std::vector<uint8_t> finishWithStored(const std::vector<uint8_t>& stored) {
        w_.code(litLenCodes_[256], litLen_[256]);
        w_.stored(true, stored);
        history_.insert(history_.end(), stored.begin(), stored.end());
        return w_.block();
    }
    std::vector<uint8_t> expected() const {
        return std::vector<uint8_t>(history_.begin() + std::ptrdiff_t(start_), history_.end());
    }

  private:
    std::vector<uint8_t> litLen_;
    std::vector<uint8_t> distance_;
    std::vector<uint32_t> litLenCodes_;
    std::vector<uint32_t> distanceCodes_;
    std::vector<uint8_t> history_;
    size_t start_;
    BitWriter w_;
};

std::vector<uint8_t> previousBlock(uint32_t seed) {
    std::vector<uint8_t> out(32768);
    for (size_t i = 0; i < out.size(); ++i) out[i] = uint8_t((i * 13 + seed) ^ (i >> 7));
    return out;
}

// Decodes a stored block of `first` and then `block`.
std::vector<uint8_t> decodeAfter(const std::vector<uint8_t>& first,
                                 const std::vector<uint8_t>& block) {
    BitWriter a;
    a.stored(false, first);
    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(a.block()), first);
    return decoder.decodeOk(block);
}

TEST(MszipFastLoop, LongestCodesWithMostExtraBitsDecode) {
    // Literal/length codes of 1..15 bits, the longest ones 'b' and length symbol 284 (5 extra
    // bits), and distance codes up to 15 bits, the longest ones for the distances with 12 and
    // 13 extra bits: up to 20 bits for a length and 28 for a distance. Lengths 3 and 227..257
    // have codes.
    std::vector<uint8_t> litLen(286);
    const uint32_t byLength[16] = {'a', 257, 'c', 'd', 'e', 'f', 'g', 'h',
                                   'i', 'j', 'k', 'l', 'm', 256, 'b', 284};
    for (uint32_t i = 0; i < 16; ++i) litLen[byLength[i]] = uint8_t(i < 15 ? i + 1 : 15);
    const std::vector<uint8_t> distance = {1, 2, 3, 5, 7,  7,  7,  7,  7,  7,  7,  7,  7,  8,  8,
                                           8, 8, 8, 9, 10, 13, 13, 13, 13, 13, 13, 13, 14, 15, 15};
    const std::vector<uint8_t> first = previousBlock(1);
    DynamicStream s(litLen, distance, first);
    for (uint32_t k = 0; s.written() < 28000; ++k) {
        s.literal('b');  // 15 bits, then literals of 11 bits: the longest run a refill holds
        for (uint32_t i = 0; i < k % 6; ++i) s.literal('k');
        s.literal('b');
        s.match(227 + k % 31, 24577 + (k * 2731) % 8192);  // 15 + 5 bits, 15 + 13 bits
        s.literal('a');
        s.match(3, 1);
        s.literal(uint8_t('c' + k % 11));
        s.match(227 + k % 29, 12289 + (k * 977) % 4096);  // 15 + 5 bits, 14 + 12 bits
        s.match(3, 1 + k % 4);
    }
    const std::vector<uint8_t> block = s.finish();
    EXPECT_EQ(decodeAfter(first, block), s.expected());
}

TEST(MszipFastLoop, CopiesFromThePreviousBlockNearItsEnds) {
    // Matches whose source is the previous block's bytes ahead of the cursor: at distances
    // from 32768 - 20 to 32768 (the source at least a word ahead, or closer, down to the
    // cursor itself, where the bytes a copy's last word runs over are read next), and ending
    // around 16 bytes before the buffer's end (the source's last word inside the buffer, or
    // not), with every length of one and two words.
    std::vector<uint8_t> litLen(286, 8);
    std::fill(litLen.begin() + 226, litLen.end(), 9);
    std::vector<uint8_t> distance(30, 5);
    distance[0] = distance[1] = 4;
    const std::vector<uint8_t> first = previousBlock(2);
    DynamicStream s(litLen, distance, first);
    for (uint32_t length = 3; length <= 40; ++length) {
        for (uint32_t near = 0; near <= 20; ++near) {
            s.literal(uint8_t(length));
            s.match(length, 32768 - near);  // the source `near` bytes ahead
            if (near < 12) continue;
            s.literal(uint8_t(near));
            // The source ends `near` bytes before the buffer's end.
            s.match(length, s.written() + length + near);
        }
    }
    const std::vector<uint8_t> block = s.finish();
    EXPECT_EQ(decodeAfter(first, block), s.expected());
}

TEST(MszipFastLoop, StoredBlockAfterOneDecodedInTheFastLoop) {
    // The stored block's length sits on the next byte boundary after the fast loop's bits, at
    // every bit offset.
    std::vector<uint8_t> litLen(286, 8);
    std::fill(litLen.begin() + 226, litLen.end(), 9);
    std::vector<uint8_t> distance(30, 5);
    distance[0] = distance[1] = 4;
    for (uint32_t extra = 0; extra < 8; ++extra) {
        DynamicStream s(litLen, distance, {}, false);
        for (uint32_t k = 0; k < 400; ++k) {
            s.literal(uint8_t(k));
            s.match(3 + k % 40, 1 + k % 7);
        }
        for (uint32_t i = 0; i < extra; ++i) s.match(3, 1);  // 9 bits each
        const std::vector<uint8_t> block = s.finishWithStored({1, 2, 3, 4, 5});
        MszipDecoder decoder;
        EXPECT_EQ(decoder.decodeOk(block), s.expected()) << extra;
    }
}

}  // namespace
}  // namespace tamrix::mszip::test
