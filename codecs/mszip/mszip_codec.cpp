// Placeholder until the codec lands: create refuses, so such folders fail with CodecFailed.
#include "cab/codec_interface.h"

namespace tamrix {
namespace {
CodecResult createUnavailable(uint32_t*, const void*, AllocFn, FreeFn, uint32_t*, void**,
                              const FileCallbacks*) {
    return CodecBadParameter;
}
CodecResult decompressUnavailable(void*, const uint8_t*, uint32_t, uint8_t*, uint32_t*) {
    return CodecBadHandle;
}
CodecResult handleUnavailable(void*) { return CodecBadHandle; }
}  // namespace

const CodecOps kMszipCodec = {createUnavailable, decompressUnavailable, handleUnavailable,
                             handleUnavailable};
}  // namespace tamrix
