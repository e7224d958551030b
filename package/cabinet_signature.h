// The search for the appended cabinet: the first "MSCF" 00 00 00 00 in the package file.
#pragma once

#include <cstdint>

namespace tamrix {

// The package file is searched in pieces of this size.
constexpr uint32_t kCabinetSearchPiece = 32768;

// Finds "MSCF" 00 00 00 00 in a stream fed piece by piece; a match may straddle two pieces.
class CabinetSignatureScanner {
  public:
    // Feeds the next piece; returns true once the signature has been found.
    bool feed(const uint8_t* piece, uint32_t size);
    bool found() const { return offset_ >= 0; }
    int64_t offset() const { return offset_; }

  private:
    uint8_t carry_[7] = {};
    uint32_t carried_ = 0;
    int64_t consumed_ = 0;
    int64_t offset_ = -1;
};

}  // namespace tamrix
