// The largest table area a complete code can need from the two-level table builder, and a code
// that needs exactly that much: the figures the decoder's table areas are sized by.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::mszip::test {

struct WorstCode {
    uint32_t entries;              // first-level table plus every sub-table
    std::vector<uint8_t> lengths;  // `symbols` code lengths of a complete code that needs them
};

// Over every complete code of at most `symbols` codes no longer than 15 bits, with first-level
// width `rootBits`: the most table entries any of them needs, with one such code.
WorstCode worstCaseCode(uint32_t symbols, uint32_t rootBits);

}  // namespace tamrix::mszip::test
