// A stub that was signed on its own: its certificate table is taken off before packing, since a
// package is signed as a whole and the stub's own signature would end up inside it, broken.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::pack {

// The PE checksum as signing tools and the loader compute it: the file's 16-bit words added with
// end-around carry, the checksum field itself counted as zero, plus the file's length.
uint32_t peChecksum(const std::vector<uint8_t>& file);

enum class SignatureDrop {
    NotSigned,  // data directory 4 is empty
    Dropped,    // the table (and the zero padding before it) is gone, the entry and checksum reset
    Refused,  // a table elsewhere, or other bytes before it: not something this tool made sense of
};

// Takes off the certificate table that signing appended after the image (imageEnd), with the up to
// seven zero bytes that aligned it, clears data directory 4 and recomputes the checksum, so that
// the stub is byte for byte what it was before it was signed.
SignatureDrop dropSignature(std::vector<uint8_t>* stub, uint32_t imageEnd);

}  // namespace tamrix::pack
