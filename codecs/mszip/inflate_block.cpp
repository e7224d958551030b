#include "codecs/mszip/inflate_block.h"

#include <cstring>

#include "codecs/mszip/decode_codes.h"
#include "codecs/mszip/dynamic_tables.h"
#include "codecs/mszip/fixed_tables.h"

namespace tamrix::mszip {
namespace {

enum DeflateBlockType : uint32_t {
    StoredBlock = 0,
    FixedBlock = 1,
    DynamicBlock = 2,
};

uint32_t byteOrZero(const BitReader& in, uint32_t position) {
    return position < in.size() ? in.data()[position] : 0;
}

uint32_t read16(const BitReader& in, uint32_t position) {
    return byteOrZero(in, position) | byteOrZero(in, position + 1) << 8;
}

// A stored block: LEN and NLEN on the next byte boundary, then LEN bytes taken as they are.
bool copyStoredBlock(InflateState& state) {
    BitReader& in = state.input;
    in.drop(in.count() % 8);
    const uint32_t position = in.bytePosition();
    const uint32_t length = read16(in, position);
    if (read16(in, position + 2) != (~length & 0xFFFF)) return false;
    // LEN must not run past the block's compressed bytes. So the reader never stands beyond
    // the data's end, and past the end it only ever sees zero bits.
    const uint32_t dataStart = position + 4;
    const uint32_t inputSize = in.size();
    if (dataStart > inputSize || length > inputSize - dataStart) return false;

    const uint32_t room = uint32_t(state.outLimit - state.out);
    const uint32_t copied = length < room ? length : room;
    std::memcpy(state.out, in.data() + dataStart, copied);
    state.out += copied;
    in.seekBytes(dataStart + length);
    return true;
}

}  // namespace

bool inflateBlockData(InflateState& state) {
    state.finalBlock = false;
    while (!state.finalBlock && state.out != state.outLimit) {
        BitReader& in = state.input;
        if (in.count() < 3) in.refill();
        state.finalBlock = in.take(1) != 0;
        switch (in.take(2)) {
            case StoredBlock:
                if (!copyStoredBlock(state)) return false;
                break;
            case FixedBlock:
                if (!decodeCodes(state, fixedLitLenTable(), fixedDistanceTable())) return false;
                break;
            case DynamicBlock: {
                DecodeTable litLen;
                DecodeTable distance;
                if (!readDynamicTables(state, &litLen, &distance)) return false;
                if (!decodeCodes(state, litLen, distance)) return false;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

}  // namespace tamrix::mszip
