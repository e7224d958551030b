#include "pack/mszip_frame_encoder.h"

#include <algorithm>

namespace tamrix::pack {

namespace {
constexpr uint32_t kStoredOverhead = 2 + 5;  // "CK", header byte, LEN, NLEN
}

MszipFrameEncoder::MszipFrameEncoder(int level) {
    // Raw deflate (no zlib header) with a 32 KiB window: the decoder's history is one frame.
    ready_ = deflateInit2(&stream_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

MszipFrameEncoder::~MszipFrameEncoder() {
    if (ready_) deflateEnd(&stream_);
}

void storeMszipFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block) {
    block->resize(kStoredOverhead + size);
    uint8_t* out = block->data();
    out[0] = 'C';
    out[1] = 'K';
    out[2] = 0x01;  // final block, stored; the rest of the byte is padding
    out[3] = uint8_t(size);
    out[4] = uint8_t(size >> 8);
    out[5] = uint8_t(~size);
    out[6] = uint8_t(~size >> 8);
    if (size) std::copy(data, data + size, out + kStoredOverhead);
}

bool MszipFrameEncoder::encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                                    std::string* error) {
    if (!ready_ || deflateReset(&stream_) != Z_OK) {
        *error = "the deflate compressor could not be set up";
        return false;
    }
    // A fresh stream per block keeps every block decodable with a fresh bit reader; the
    // dictionary lets it match into the previous frame as the decoder's history allows.
    if (!previous_.empty() &&
        deflateSetDictionary(&stream_, previous_.data(), uInt(previous_.size())) != Z_OK) {
        *error = "the deflate compressor refused its dictionary";
        return false;
    }
    block->resize(2 + deflateBound(&stream_, size));
    (*block)[0] = 'C';
    (*block)[1] = 'K';
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = size;
    stream_.next_out = block->data() + 2;
    stream_.avail_out = uInt(block->size() - 2);
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) {
        *error = "the deflate compressor failed";
        return false;
    }
    block->resize(2 + stream_.total_out);
    if (block->size() > kStoredOverhead + size) storeMszipFrame(data, size, block);
    previous_.assign(data, data + size);
    return true;
}

bool MszipFrameEncoder::addFrame(const uint8_t* data, uint32_t size,
                                 std::vector<std::vector<uint8_t>>* blocks, std::string* error) {
    blocks->emplace_back();
    return encodeFrame(data, size, &blocks->back(), error);
}

}  // namespace tamrix::pack
