#include "codecs/lzx/lzx_code_lengths.h"

#include <algorithm>
#include <vector>

namespace tamrix::lzx {

void buildCodeLengths(const uint32_t* frequencies, uint32_t count, uint32_t maxLength,
                      uint8_t* lengths) {
    std::fill(lengths, lengths + count, uint8_t(0));
    std::vector<uint32_t> symbols;
    std::vector<uint64_t> weight;
    for (uint32_t s = 0; s < count; ++s) {
        if (frequencies[s] != 0) symbols.push_back(s);
    }
    if (symbols.empty()) return;
    if (symbols.size() == 1) {
        lengths[symbols[0]] = 1;
        lengths[symbols[0] == 0 ? 1 : 0] = 1;
        return;
    }

    std::vector<uint64_t> freq(count);
    for (uint32_t s : symbols) freq[s] = frequencies[s];
    const size_t n = symbols.size();
    std::vector<uint32_t> parent(2 * n);
    std::vector<uint8_t> depth(2 * n);
    weight.resize(2 * n);

    for (;;) {
        std::sort(symbols.begin(), symbols.end(), [&](uint32_t a, uint32_t b) {
            return freq[a] != freq[b] ? freq[a] < freq[b] : a < b;
        });
        for (size_t i = 0; i < n; ++i) weight[i] = freq[symbols[i]];
        // Two queues: sorted leaves and internal nodes, which are made in increasing weight.
        size_t leaf = 0, inner = n;
        for (size_t next = n; next < 2 * n - 1; ++next) {
            size_t pick[2];
            for (size_t& p : pick) {
                if (leaf < n && (inner >= next || weight[leaf] <= weight[inner])) {
                    p = leaf++;
                } else {
                    p = inner++;
                }
            }
            weight[next] = weight[pick[0]] + weight[pick[1]];
            parent[pick[0]] = parent[pick[1]] = uint32_t(next);
        }
        depth[2 * n - 2] = 0;
        uint32_t longest = 0;
        for (size_t i = 2 * n - 2; i-- > 0;) {
            depth[i] = uint8_t(depth[parent[i]] + 1);
            if (i < n) longest = std::max<uint32_t>(longest, depth[i]);
        }
        if (longest <= maxLength) break;
        // Too deep: flatten the distribution and try again.
        for (uint32_t s : symbols) freq[s] = (freq[s] + 1) / 2;
    }
    for (size_t i = 0; i < n; ++i) lengths[symbols[i]] = depth[i];
}

void assignCanonicalCodes(const uint8_t* lengths, uint32_t count, uint16_t* codes) {
    uint32_t lengthCount[17] = {};
    for (uint32_t s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    lengthCount[0] = 0;
    uint32_t next[17];
    uint32_t code = 0;
    for (uint32_t len = 1; len <= 16; ++len) {
        code = (code + lengthCount[len - 1]) << 1;
        next[len] = code;
    }
    for (uint32_t s = 0; s < count; ++s) {
        codes[s] = lengths[s] ? uint16_t(next[lengths[s]]++) : 0;
    }
}

}  // namespace tamrix::lzx
