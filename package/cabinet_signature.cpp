#include "package/cabinet_signature.h"

#include <cstring>

#include "cab/cabinet_format.h"

namespace tamrix {

// The signature is tested as two words so that the stub's image never holds its eight bytes in a
// row: otherwise the search would find the stub itself before the appended cabinet.
namespace {
bool isSignatureAt(const uint8_t* p) {
    return load32(p) == kCabinetSignature && load32(p + 4) == 0;
}
}  // namespace

bool CabinetSignatureScanner::feed(const uint8_t* piece, uint32_t size) {
    if (found()) return true;
    // Candidates that begin in the carried tail of the previous pieces.
    uint8_t seam[14];
    std::memcpy(seam, carry_, carried_);
    uint32_t head = size < 7 ? size : 7;
    std::memcpy(seam + carried_, piece, head);
    for (uint32_t start = 0; start < carried_ && start + 8 <= carried_ + head; ++start) {
        if (isSignatureAt(seam + start)) {
            offset_ = consumed_ - (carried_ - start);
            return true;
        }
    }
    for (uint32_t start = 0; start + 8 <= size; ++start) {
        const void* hit = std::memchr(piece + start, 'M', size - 7 - start);
        if (!hit) break;
        start = uint32_t(static_cast<const uint8_t*>(hit) - piece);
        if (isSignatureAt(piece + start)) {
            offset_ = consumed_ + start;
            return true;
        }
    }
    // Keep the stream's last seven bytes for a match across the boundary.
    uint8_t tail[14];
    std::memcpy(tail, carry_, carried_);
    uint32_t take = size < 7 ? size : 7;
    std::memcpy(tail + carried_, piece + size - take, take);
    uint32_t total = carried_ + take;
    carried_ = total < 7 ? total : 7;
    std::memcpy(carry_, tail + total - carried_, carried_);
    consumed_ += size;
    return false;
}

}  // namespace tamrix
