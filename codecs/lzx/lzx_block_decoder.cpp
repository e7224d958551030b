// Block headers, the verbatim/aligned decoding loops, uncompressed blocks and the output of one
// frame.
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && !defined(TAMRIX_NO_CPU_DISPATCH) && \
    !defined(_WIN32)
#include <immintrin.h>
#define LZX_MASKED_COPY 1
#endif

#include "codecs/cpu_features.h"
#include "codecs/little_endian.h"
#include "codecs/lzx/lzx_bit_reader.h"
#include "codecs/lzx/lzx_decoder_state.h"
#include "codecs/lzx/lzx_e8.h"
#include "codecs/lzx/lzx_huffman_table.h"
#include "codecs/lzx/lzx_trees.h"

namespace tamrix::lzx {
namespace {

// The Linux tool inlines the decoding step into its loops; the stub keeps one copy of each.
#ifdef _WIN32
#define LZX_STEP inline
#define LZX_COLD inline
#else
#define LZX_STEP inline __attribute__((always_inline))
#define LZX_COLD __attribute__((noinline))
#endif

inline void copy8(uint8_t* dst, const uint8_t* src) {
    uint64_t v;
    std::memcpy(&v, src, 8);
    std::memcpy(dst, &v, 8);
}

// Copies non-overlapping bytes exactly: nothing past dst + length is touched, since the bytes
// ahead of the position are the oldest history, which later matches may still read.
LZX_STEP void copyDisjoint(uint8_t* dst, const uint8_t* src, uint32_t length) {
    if (length > 32) {
        std::memcpy(dst, src, length);
    } else if (length > 16) {
        uint8_t head[16], tail[16];
        std::memcpy(head, src, 16);
        std::memcpy(tail, src + length - 16, 16);
        std::memcpy(dst, head, 16);
        std::memcpy(dst + length - 16, tail, 16);
    } else if (length >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + length - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + length - 8, &tail, 8);
    } else if (length >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + length - 4, 4);
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + length - 4, &tail, 4);
    } else {
        // Lengths 2 and 3.
        uint16_t head, tail;
        std::memcpy(&head, src, 2);
        std::memcpy(&tail, src + length - 2, 2);
        std::memcpy(dst, &head, 2);
        std::memcpy(dst + length - 2, &tail, 2);
    }
}

#if defined(__SSE2__) && !defined(_WIN32)
// Copies a match 16 bytes at a time when each 16 bytes' source is written before they are read:
// the source lies 16 or more bytes behind. The last 16 bytes keep the window's bytes past the
// match, so nothing after dst + length changes, with no branch on the length.
LZX_STEP void copyBy16(uint8_t* dst, const uint8_t* src, uint32_t length) {
    uint32_t i = 0;
    for (; i + 16 < length; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    }
    const __m128i bytesLeft = _mm_set1_epi8(char(length - i));
    const __m128i keep = _mm_cmpgt_epi8(
        bytesLeft, _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    const __m128i from = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i was = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_or_si128(_mm_and_si128(keep, from), _mm_andnot_si128(keep, was)));
}
#endif

#ifdef LZX_MASKED_COPY
// copyBy16 with AVX-512 byte-masked stores: the last store writes only the match's bytes, so
// it need not read the window's bytes past the match (a read that waits for the stores just
// made there).
__attribute__((target("avx512bw,avx512vl,bmi2"))) inline void copyBy16Masked(uint8_t* dst,
                                                                             const uint8_t* src,
                                                                             uint32_t length) {
    uint32_t i = 0;
    for (; i + 16 < length; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    }
    const __mmask16 keep = __mmask16(_bzhi_u32(0xFFFF, length - i));
    _mm_mask_storeu_epi8(dst + i, keep, _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
}

// Copies a match of at most 32 bytes that does not overlap its source: one load of 32 bytes
// and one store masked to the match (the bytes loaded past the source are never stored).
__attribute__((target("avx512bw,avx512vl,bmi2"))) inline void copyUpTo32Masked(uint8_t* dst,
                                                                               const uint8_t* src,
                                                                               uint32_t length) {
    const __mmask32 keep = __mmask32(_bzhi_u32(0xFFFFFFFFu, length));
    _mm256_mask_storeu_epi8(dst, keep, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src)));
}
#endif

// How a loop copies matches: exactly, 16 bytes at a time (SSE2), or with AVX-512 stores masked
// to the match.
enum class WideCopy { None, Sse2, Avx512 };

// Copies a match that overlaps its own source `gap` bytes behind, gap < length. The pattern
// repeats every gap bytes, so once the first `step` bytes are out (a multiple of gap of at least
// 8) each 8 bytes can come from `step` bytes back.
inline void copyOverlapping(uint8_t* dst, uint32_t gap, uint32_t length) {
    if (gap >= 8) {
        uint32_t i = 0;
        for (; i + 8 <= length; i += 8) copy8(dst + i, dst - gap + i);
        // The last 8 bytes again, ending at the match's end: their sources are all written.
        if (i < length) copy8(dst + length - 8, dst - gap + length - 8);
        return;
    }
    if (gap == 1) {
        std::memset(dst, dst[-1], length);
        return;
    }
    const uint32_t step = (8 + gap - 1) / gap * gap;
    const uint8_t* back = dst - gap;
    uint32_t i = 0;
    for (; i < step && i < length; ++i) dst[i] = back[i];
    for (; i + 8 <= length; i += 8) copy8(dst + i, dst - step + i);
    for (; i < length; ++i) dst[i] = dst[i - step];
}

// Copies a match that overlaps its source. A source that runs over the window's end
// continues in the mirror of the pass's first 257 bytes.
LZX_COLD void copyOverlap(uint8_t* dst, const uint8_t* src, uint32_t length) {
    // A distance of a whole window (R0 of 0 from an uncompressed header): each byte is its
    // own source and stays as it was.
    if (src == dst) return;
    if (src > dst) {
        // Only distances near the window size: the source lies ahead and is read first.
        std::memmove(dst, src, length);
    } else {
        copyOverlapping(dst, uint32_t(dst - src), length);
    }
}

// The first 257 positions of a pass: every source byte is masked and every byte written below
// position 257 is also written to the mirror after the window's end.
inline void copyMatchMirrored(uint8_t* window, uint32_t size, uint32_t mask, uint32_t pos,
                              uint32_t distance, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t at = pos + i;
        const uint8_t b = window[(at - distance) & mask];
        window[at] = b;
        if (at < kMirrorSize) window[size + at] = b;
    }
}

struct RepeatedDistances {
    uint32_t r0, r1, r2;
};

// Reads the length and distance of the match of a main-tree entry and updates the repeated
// distances. The caller has refilled.
template <bool kAligned, class Reader>
LZX_STEP uint32_t readMatch(const LzxDecoder& d, Reader& r, RepeatedDistances& rep, uint32_t entry,
                            uint32_t& length) {
    r.drop(entryCodeLength(entry));
    const uint32_t symbol = entrySymbol(entry);
    length = symbol & 7;  // the length header: 256 is a multiple of 8
    if (length == kNumPrimaryLengths) {
        length += decodeSymbol<kLengthTableBits>(r, d.lengthTable, d.lengthNodes);
    }
    length += kMinMatch;

    const uint32_t slot = (symbol - kLiteralCount) >> 3;
    uint32_t distance;
    if (slot == 0) {
        distance = rep.r0;
    } else if (slot <= 2) {
        uint32_t& other = slot == 1 ? rep.r1 : rep.r2;
        distance = other;
        other = rep.r0;
        rep.r0 = distance;
    } else {
        const uint32_t extra = entryExtraBits(entry);
        distance = kDistanceBase[slot];
        if (kAligned && extra >= 3) {
            if (extra > 3) distance += r.take(extra - 3) << 3;
            r.ensure(kAlignedTableBits);
            const uint32_t aligned = d.alignedTable[r.peek(kAlignedTableBits)];
            r.drop(aligned >> 3);
            distance += aligned & 7;
        } else if (extra != 0) {
            distance += r.take(extra);
        }
        rep.r2 = rep.r1;
        rep.r1 = rep.r0;
        rep.r0 = distance;
    }
    return distance;
}

// Copies a match from window position `from` to `pos`, past the mirrored start of the pass.
// Wide copies (the Linux tool's fast loop) may read up to 32 bytes from the source's start, past
// the match's end: the fast loop's bound on the position keeps them inside the window and its
// mirror.
template <WideCopy kWide>
LZX_STEP void copyMatch(uint8_t* window, uint32_t pos, uint32_t from, uint32_t length) {
    uint8_t* dst = window + pos;
    const uint8_t* src = window + from;
#ifdef LZX_MASKED_COPY
    if constexpr (kWide == WideCopy::Avx512) {
        // Sources ahead (the previous pass, past a wrap) as well as behind.
        const uint32_t gap = from < pos ? pos - from : from - pos;
        if (length <= 32 && gap >= length) [[likely]] {
            copyUpTo32Masked(dst, src, length);
            return;
        }
        if (from < pos && pos - from >= 16) {
            copyBy16Masked(dst, src, length);
            return;
        }
    }
#endif
#if defined(__SSE2__) && !defined(_WIN32)
    if (kWide == WideCopy::Sse2 && from < pos && pos - from >= 16) [[likely]] {
        copyBy16(dst, src, length);
        return;
    }
#endif
    if (src + length <= dst || src >= dst + length) [[likely]] {
        copyDisjoint(dst, src, length);
    } else {
        copyOverlap(dst, src, length);
    }
}

// Decodes one literal or match at `pos`, checking the input and the limit.
template <bool kAligned, bool kMirrored>
LZX_STEP bool decodeOne(const LzxDecoder& d, BitReader& r, RepeatedDistances& rep, uint32_t& pos,
                        uint32_t limit) {
    r.refill();
    if (r.exhausted()) return false;
    const uint32_t entry = lookupEntry<kMainTableBits>(r, d.mainTable, d.mainNodes);
    if (entrySymbol(entry) < kLiteralCount) {
        r.drop(entryCodeLength(entry));
        d.window[pos] = uint8_t(entrySymbol(entry));
        if (kMirrored) d.window[d.windowSize + pos] = uint8_t(entrySymbol(entry));
        ++pos;
        return true;
    }
    uint32_t length;
    const uint32_t distance = readMatch<kAligned>(d, r, rep, entry, length);
    // A match never crosses the end of its block or frame.
    if (length > limit - pos) return false;
    if (kMirrored) {
        copyMatchMirrored(d.window, d.windowSize, d.windowMask, pos, distance, length);
    } else {
        copyMatch<WideCopy::None>(d.window, pos, (pos - distance) & d.windowMask, length);
    }
    pos += length;
    return true;
}

#ifndef _WIN32
// Literals a fast iteration may write before its match.
constexpr uint32_t kFastLiterals = 2;

// readMatch for the fast loop: one branch between a repeated and a new distance (the
// choice among the three repeated ones by selects) and none for a count of 0 extra bits.
template <bool kAligned>
LZX_STEP uint32_t readMatchFast(const LzxDecoder& d, FastBits& r, RepeatedDistances& rep,
                                uint32_t entry, uint32_t& length) {
    r.dropEntry(entry);
    const uint32_t symbol = entrySymbol(entry);
    length = symbol & 7;  // the length header: 256 is a multiple of 8
    if (length == kNumPrimaryLengths) {
        const uint32_t lengthEntry = lookupEntry<kLengthTableBits>(r, d.lengthTable, d.lengthNodes);
        r.dropEntry(lengthEntry);
        length += entrySymbol(lengthEntry);
    }
    length += kMinMatch;

    const uint32_t slot = (symbol - kLiteralCount) >> 3;
    uint32_t distance;
    if (slot < 3) {
        distance = slot == 0 ? rep.r0 : slot == 1 ? rep.r1 : rep.r2;
        const uint32_t r1 = slot == 1 ? rep.r0 : rep.r1;
        rep.r2 = slot == 2 ? rep.r0 : rep.r2;
        rep.r1 = r1;
    } else {
        const uint32_t extra = entryExtraBits(entry);
        distance = kDistanceBase[slot];
        if (kAligned && extra >= 3) {
            distance += r.takeUpTo31(extra - 3) << 3;
            r.ensure(kAlignedTableBits);
            const uint32_t aligned = d.alignedTable[r.peek(kAlignedTableBits)];
            r.drop(aligned >> 3);
            distance += aligned & 7;
        } else {
            distance += r.takeUpTo31(extra);
        }
        rep.r2 = rep.r1;
        rep.r1 = rep.r0;
    }
    rep.r0 = distance;
    return distance;
}

// The loop without checks, past the mirrored start of the pass: runs while two literals and a
// whole match fit below `limit` and the input holds three refills ahead. A refill leaves at
// least 49 bits, enough for three literals (at most 48 bits) or for a whole match; a match
// after literals refills again.
template <bool kAligned, WideCopy kWide>
LZX_STEP uint32_t decodeFastBody(const LzxDecoder& d, BitReader& reader,
                                 RepeatedDistances& repeated, uint32_t pos, uint32_t stop,
                                 uint32_t limit) {
    constexpr uint32_t kLoadsAhead = 3 * 8;
    if (limit < kMaxMatch + kFastLiterals || d.inputCount < kLoadsAhead) return pos;
    const uint32_t bound = limit - kMaxMatch - kFastLiterals;
    const uint32_t fastStop = stop < bound ? stop : bound;
    const uint8_t* const lastLoad = d.input + (d.inputCount - kLoadsAhead);
    if (pos >= fastStop || reader.loadPosition() > d.inputCount - kLoadsAhead) return pos;
    // A main tree of no codes (an empty table: entry 0 is 0) decodes symbols of no bits, which
    // would leave the branch-free refill a full look-ahead.
    if (d.mainTable[0] == 0) return pos;

    // Locals that stay in registers: the window's byte stores could alias the decoder's fields.
    FastBits r = FastBits::from(reader, d.input);
    RepeatedDistances rep = repeated;
    uint8_t* const window = d.window;
    do {
        r.refill();
        uint32_t entry = lookupEntry<kMainTableBits>(r, d.mainTable, d.mainNodes);
        if (entrySymbol(entry) < kLiteralCount) {
            r.dropEntry(entry);
            window[pos++] = uint8_t(entrySymbol(entry));
            entry = lookupEntry<kMainTableBits>(r, d.mainTable, d.mainNodes);
            if (entrySymbol(entry) < kLiteralCount) {
                r.dropEntry(entry);
                window[pos++] = uint8_t(entrySymbol(entry));
                entry = lookupEntry<kMainTableBits>(r, d.mainTable, d.mainNodes);
                if (entrySymbol(entry) < kLiteralCount) {
                    r.dropEntry(entry);
                    window[pos++] = uint8_t(entrySymbol(entry));
                    continue;
                }
            }
            r.refill();
        }
        uint32_t length;
        const uint32_t distance = readMatchFast<kAligned>(d, r, rep, entry, length);
        // The mask is read from memory: a register is worth more, and a branch on the wrap
        // would miss.
        copyMatch<kWide>(window, pos, (pos - distance) & d.windowMask, length);
        pos += length;
    } while (pos < fastStop && r.in <= lastLoad);
    r.storeTo(reader, d.input);
    repeated = rep;
    return pos;
}

// The fast loop as plain x86-64 code and, where the processor has them, with the BMI2 shifts
// (one instruction for a shift by a register): the bit buffer's shifts are on its critical path.
template <bool kAligned>
uint32_t decodeFastPlain(const LzxDecoder& d, BitReader& r, RepeatedDistances& rep, uint32_t pos,
                         uint32_t stop, uint32_t limit) {
    return decodeFastBody<kAligned, WideCopy::Sse2>(d, r, rep, pos, stop, limit);
}

#if (defined(__x86_64__) || defined(__i386__)) && !defined(TAMRIX_NO_CPU_DISPATCH)
template <bool kAligned>
__attribute__((target("bmi2"))) uint32_t decodeFastBmi2(const LzxDecoder& d, BitReader& r,
                                                        RepeatedDistances& rep, uint32_t pos,
                                                        uint32_t stop, uint32_t limit) {
    return decodeFastBody<kAligned, WideCopy::Sse2>(d, r, rep, pos, stop, limit);
}

template <bool kAligned>
__attribute__((target("avx512bw,avx512vl,bmi2"))) uint32_t decodeFastAvx512(
    const LzxDecoder& d, BitReader& r, RepeatedDistances& rep, uint32_t pos, uint32_t stop,
    uint32_t limit) {
    return decodeFastBody<kAligned, WideCopy::Avx512>(d, r, rep, pos, stop, limit);
}
#endif

FastLoop gFastLoop = FastLoop::Automatic;

template <bool kAligned>
uint32_t decodeFast(const LzxDecoder& d, BitReader& r, RepeatedDistances& rep, uint32_t pos,
                    uint32_t stop, uint32_t limit) {
#if (defined(__x86_64__) || defined(__i386__)) && !defined(TAMRIX_NO_CPU_DISPATCH)
    const FastLoop loop = gFastLoop;
    if (cpuHasBmi2() && cpuHasAvx512BwVl() &&
        (loop == FastLoop::Automatic || loop == FastLoop::Avx512))
        return decodeFastAvx512<kAligned>(d, r, rep, pos, stop, limit);
    if (cpuHasBmi2() && loop != FastLoop::Plain)
        return decodeFastBmi2<kAligned>(d, r, rep, pos, stop, limit);
#endif
    return decodeFastPlain<kAligned>(d, r, rep, pos, stop, limit);
}
#endif

// Decodes symbols while the position is below `stop`; a match may reach `limit` but not pass it.
template <bool kAligned, bool kMirrored>
bool decodeSymbols(LzxDecoder& d, BitReader& reader, uint32_t& position, uint32_t stop,
                   uint32_t limit) {
    BitReader r = reader;
    RepeatedDistances rep = {uint32_t(d.r0), uint32_t(d.r1), uint32_t(d.r2)};
    uint32_t pos = position;
    bool ok = true;
    for (;;) {
#ifndef _WIN32
        if constexpr (!kMirrored) pos = decodeFast<kAligned>(d, r, rep, pos, stop, limit);
#endif
        if (pos >= stop) break;
        if (!decodeOne<kAligned, kMirrored>(d, r, rep, pos, limit)) {
            ok = false;
            break;
        }
    }

    reader = r;
    d.r0 = int32_t(rep.r0);
    d.r1 = int32_t(rep.r1);
    d.r2 = int32_t(rep.r2);
    position = pos;
    return ok;
}

// Decodes n bytes of a verbatim or aligned block; n never crosses the window's end.
template <bool kAligned>
bool decodeCompressed(LzxDecoder& d, BitReader& reader, uint32_t n) {
    uint32_t pos = d.windowPosition;
    const uint32_t end = pos + n;
    if (pos < kMirrorSize) {
        const uint32_t stop = end < kMirrorSize ? end : kMirrorSize;
        if (!decodeSymbols<kAligned, true>(d, reader, pos, stop, end)) return false;
    }
    if (pos < end && !decodeSymbols<kAligned, false>(d, reader, pos, end, end)) return false;
    d.windowPosition = end & d.windowMask;
    return true;
}

bool decodeUncompressed(LzxDecoder& d, uint32_t n) {
    if (uint64_t(d.inputCursor) + n > d.inputCount) return false;
    const uint32_t pos = d.windowPosition;
    std::memcpy(d.window + pos, d.input + d.inputCursor, n);
    d.inputCursor += n;
    if (pos < kMirrorSize) {
        const uint32_t end = pos + n < kMirrorSize ? pos + n : kMirrorSize;
        std::memcpy(d.window + d.windowSize + pos, d.window + pos, end - pos);
    }
    d.windowPosition = (pos + n) & d.windowMask;
    return true;
}

bool readUncompressedHeader(LzxDecoder& d, const BitReader& reader) {
    // R0-R2 must lie wholly inside the block's data.
    const uint32_t cursor = reader.alignedCursor();
    if (uint64_t(cursor) + 12 > d.inputCount) return false;
    d.r0 = int32_t(load32(d.input + cursor));
    d.r1 = int32_t(load32(d.input + cursor + 4));
    d.r2 = int32_t(load32(d.input + cursor + 8));
    d.inputCursor = cursor + 12;
    return true;
}

bool readBlockHeader(LzxDecoder& d, BitReader& reader) {
    if (d.e8HeaderPending) {
        d.e8HeaderPending = false;
        if (reader.read(1)) {
            const uint32_t high = reader.read(16);
            d.e8FileSize = high << 16 | reader.read(16);
        } else {
            d.e8FileSize = 0;
        }
    }
    if (d.blockType == int32_t(kBlockUncompressed)) {
        // The byte after odd-sized uncompressed data; it may open the next call's input.
        if ((d.blockSize & 1) && d.inputCursor < d.inputCount + 4) ++d.inputCursor;
        d.blockType = 0;
        reader.prime(d.input, d.inputCount, d.inputCursor);
    }
    const uint32_t type = reader.read(3);
    const uint32_t a = reader.read(8);
    const uint32_t b = reader.read(8);
    const uint32_t c = reader.read(8);
    d.blockType = int32_t(type);
    d.blockSize = int32_t(a << 16 | b << 8 | c);
    d.blockRemaining = d.blockSize;
    if (reader.overrun()) d.inputOverrun = true;

    bool ok;
    switch (type) {
        case kBlockVerbatim:
        case kBlockAligned:
            ok = readBlockTrees(d, reader, type == kBlockAligned);
            break;
        case kBlockUncompressed:
            ok = readUncompressedHeader(d, reader);
            break;
        default:
            ok = false;
    }
    if (!ok) {
        if (reader.overrun()) d.inputOverrun = true;
        return false;
    }
    d.phase = PhaseInsideBlock;
    return true;
}

void copyOutput(const LzxDecoder& d, uint32_t produced) {
    // The frame ends at the window position; it may wrap when an earlier frame was short.
    const uint32_t start = (d.windowPosition - produced) & d.windowMask;
    const uint32_t first = start + produced <= d.windowSize ? produced : d.windowSize - start;
    std::memcpy(d.output, d.window + start, first);
    std::memcpy(d.output + first, d.window, produced - first);
}

}  // namespace

#ifndef _WIN32
void chooseFastLoop(FastLoop loop) {
    gFastLoop = loop;
}
#endif

bool decodeFrame(LzxDecoder& d, uint32_t wanted) {
    BitReader reader{};
    d.inputCursor = 0;
    if (d.blockType != int32_t(kBlockUncompressed)) reader.prime(d.input, d.inputCount, 0);

    uint32_t left = wanted;
    while (left > 0) {
        if (d.phase == PhaseHeaderDue && !readBlockHeader(d, reader)) return false;
        while (d.blockRemaining > 0 && left > 0) {
            // Split at the window's end, so no loop ever writes past it.
            uint32_t n = uint32_t(d.blockRemaining) < left ? uint32_t(d.blockRemaining) : left;
            const uint32_t untilEnd = d.windowSize - d.windowPosition;
            if (n > untilEnd) n = untilEnd;
            bool ok;
            switch (d.blockType) {
                case kBlockVerbatim:
                    ok = decodeCompressed<false>(d, reader, n);
                    break;
                case kBlockAligned:
                    ok = decodeCompressed<true>(d, reader, n);
                    break;
                default:
                    ok = decodeUncompressed(d, n);
            }
            if (!ok) return false;
            d.blockRemaining -= int32_t(n);
            left -= n;
        }
        if (d.blockRemaining == 0) d.phase = PhaseHeaderDue;
    }

    copyOutput(d, wanted);
    if (d.e8FileSize != 0 && d.framesDecoded < kE8FrameLimit) {
        undoE8Translation(d.output, wanted, &d.e8Position, d.e8FileSize);
    }
    return true;
}

}  // namespace tamrix::lzx
