// Test data for the Quantum suites and benchmark: text, runs, structured binary records, copies
// from far back and noise, in runs of varying length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrix::quantum_test {

// Same size and seed, same bytes.
std::vector<uint8_t> mixedData(size_t size, uint32_t seed);

}  // namespace tamrix::quantum_test
