#include "codecs/lzx/lzx_match_finder_tree.h"

#include <cstring>

#include "codecs/match_length.h"

namespace tamrix::lzx {

TreeMatchFinder::TreeMatchFinder(uint32_t windowSize, uint32_t searchDepth, uint32_t niceLength)
    : windowMask_(windowSize - 1),
      maxDistance_(windowSize - 3),
      searchDepth_(searchDepth),
      niceLength_(niceLength),
      hashBits_(windowSize >= (1u << 18) ? 17 : 15),
      head_(size_t(1) << hashBits_),
      children_(2 * size_t(windowSize)) {}

uint32_t TreeMatchFinder::hashAt(uint32_t p) const {
    const uint32_t v =
        uint32_t(data_[p]) | uint32_t(data_[p + 1]) << 8 | uint32_t(data_[p + 2]) << 16;
    return (v * 2654435761u) >> (32 - hashBits_);
}

uint32_t TreeMatchFinder::advance(uint32_t p, uint32_t maxLength, FoundMatch* out) {
    if (maxLength < 3) return 0;
    const uint32_t nice = niceLength_ < maxLength ? niceLength_ : maxLength;
    // The tree stays sorted only if every position in it was compared over the same length:
    // a position with fewer bytes after it (the end of the data so far) is searched, not
    // entered.
    const bool enter = maxLength >= niceLength_;
    uint32_t& headSlot = head_[hashAt(p)];
    uint32_t node = headSlot;  // position + 1
    if (enter) headSlot = p + 1;
    // The new position becomes the root; the walk splits the old tree into its two subtrees.
    uint32_t unused[2];
    uint32_t* smaller = enter ? &children_[2 * size_t(p & windowMask_)] : &unused[0];
    uint32_t* larger = smaller + 1;
    const uint8_t* here = data_ + p;
    uint32_t smallerLength = 0, largerLength = 0;  // bytes known equal on each side
    uint32_t best = 2;
    uint32_t found = 0;
    uint32_t depth = searchDepth_;
    for (;;) {
        if (node == 0 || p - (node - 1) > maxDistance_ || depth-- == 0) {
            *smaller = 0;
            *larger = 0;
            return found;
        }
        const uint32_t c = node - 1;
        const uint8_t* there = data_ + c;
        uint32_t* pair = &children_[2 * size_t(c & windowMask_)];
        const uint32_t known = smallerLength < largerLength ? smallerLength : largerLength;
        const uint32_t len = commonLength(here, there, known, maxLength);
        if (len > best) {
            best = len;
            // The bytes the tree's order vouches for are checked once more before the match
            // is reported: a wrong match would be silently wrong data.
            if (out && std::memcmp(here, there, known) == 0) out[found++] = {len, p - c};
            if (len >= nice) {
                // Equal as far as we look: c's subtrees become the new root's.
                if (enter) {
                    *smaller = pair[0];
                    *larger = pair[1];
                }
                return found;
            }
        }
        if (there[len] < here[len]) {
            *smaller = node;
            smaller = enter ? &pair[1] : &unused[0];
            node = pair[1];
            smallerLength = len;
        } else {
            *larger = node;
            larger = enter ? &pair[0] : &unused[1];
            node = pair[0];
            largerLength = len;
        }
    }
}

}  // namespace tamrix::lzx
