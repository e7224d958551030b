#include "tests/support/quantum_test_data.h"

#include <random>

namespace tamrix::quantum_test {

std::vector<uint8_t> mixedData(size_t size, uint32_t seed) {
    static const char* const kWords[] = {
        "the ", "cabinet ", "folder ", "window ",  "quantum ", "decoder ", "of ",
        "and ", "model ",   "frame ",  "block ",   "setup ",   "file ",    "page ",
        "\r\n", "slot ",    "match ",  "literal ", "{\n    ",  "return ",  "0x3f, "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    out.reserve(size);
    while (out.size() < size) {
        const uint32_t kind = rng() % 10;
        const size_t run = 64 + rng() % 4000;
        for (size_t k = 0; k < run && out.size() < size; ++k) {
            switch (kind) {
                case 0:  // noise
                    out.push_back(uint8_t(rng()));
                    break;
                case 1:  // a run of one byte
                    out.push_back(uint8_t(seed + run));
                    break;
                case 2:
                case 3: {  // little-endian records with slowly changing fields
                    const uint32_t v = uint32_t(out.size() / 16) * 3 + (rng() % 4);
                    out.push_back(uint8_t(v >> (8 * (k % 4))));
                    break;
                }
                case 4:  // a copy from far back
                    out.push_back(out.size() > 300000 ? out[out.size() - 300000] : uint8_t(k));
                    break;
                default: {  // text
                    const char* w = kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))];
                    for (; *w && out.size() < size; ++w) out.push_back(uint8_t(*w));
                    break;
                }
            }
        }
    }
    return out;
}

}  // namespace tamrix::quantum_test
