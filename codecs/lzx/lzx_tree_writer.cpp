#include "codecs/lzx/lzx_tree_writer.h"

#include <algorithm>
#include <vector>

#include "codecs/lzx/lzx_code_lengths.h"
#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {
namespace {

struct PreTreeToken {
    uint8_t symbol;
    uint8_t extraBits;
    uint8_t extra;
    int8_t second;  // pre-tree symbol after a 19, or -1
};

}  // namespace

uint8_t deltaSymbol(uint8_t previous, uint8_t next) {
    return uint8_t((previous + 17 - next) % 17);
}

// Writes lengths[first..end) against previous[first..end) through a pre-tree of its own.
void writeLengthRun(BitWriter& writer, const uint8_t* lengths, const uint8_t* previous,
                    uint32_t first, uint32_t end) {
    std::vector<PreTreeToken> tokens;
    uint32_t i = first;
    while (i < end) {
        uint32_t same = 1;
        while (i + same < end && lengths[i + same] == lengths[i]) ++same;
        if (lengths[i] == 0 && same >= 20) {
            const uint32_t run = std::min<uint32_t>(same, 51);
            tokens.push_back({18, 5, uint8_t(run - 20), -1});
            i += run;
        } else if (lengths[i] == 0 && same >= 4) {
            const uint32_t run = std::min<uint32_t>(same, 19);
            tokens.push_back({17, 4, uint8_t(run - 4), -1});
            i += run;
        } else if (same >= 4) {
            const uint32_t run = std::min<uint32_t>(same, 5);
            tokens.push_back(
                {19, 1, uint8_t(run - 4), int8_t(deltaSymbol(previous[i], lengths[i]))});
            i += run;
        } else {
            tokens.push_back({deltaSymbol(previous[i], lengths[i]), 0, 0, -1});
            ++i;
        }
    }
    uint32_t freq[kPreTreeSymbols] = {};
    for (const PreTreeToken& t : tokens) {
        ++freq[t.symbol];
        if (t.second >= 0) ++freq[t.second];
    }
    uint8_t preLengths[kPreTreeSymbols];
    uint16_t preCodes[kPreTreeSymbols];
    buildCodeLengths(freq, kPreTreeSymbols, 15, preLengths);
    assignCanonicalCodes(preLengths, kPreTreeSymbols, preCodes);
    for (uint32_t s = 0; s < kPreTreeSymbols; ++s) writer.put(preLengths[s], 4);
    for (const PreTreeToken& t : tokens) {
        writer.put(preCodes[t.symbol], preLengths[t.symbol]);
        writer.put(t.extra, t.extraBits);
        if (t.second >= 0) writer.put(preCodes[t.second], preLengths[t.second]);
    }
}

}  // namespace tamrix::lzx
