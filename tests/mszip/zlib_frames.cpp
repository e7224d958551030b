#include "zlib_frames.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <random>

namespace tamrix::mszip::test {
namespace {

constexpr size_t kFrame = 32768;
constexpr size_t kMaxBlock = kFrame + 12;

// Runs deflate over `in` with `flush` and appends everything it produces to `out`.
void deflateAll(z_stream& z, const uint8_t* in, size_t size, int flush, std::vector<uint8_t>& out) {
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = uInt(size);
    uint8_t buffer[1 << 16];
    int rc;
    do {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR) std::abort();
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
}

}  // namespace

std::vector<std::vector<uint8_t>> makeMszipBlocks(const std::vector<uint8_t>& data,
                                                  const ZlibSettings& settings) {
    std::vector<std::vector<uint8_t>> blocks;
    z_stream z{};
    auto init = [&] {
        if (deflateInit2(&z, settings.level, Z_DEFLATED, -15, 8, settings.strategy) != Z_OK) {
            std::abort();
        }
    };
    if (settings.framing == Framing::SyncFlushedStream) init();
    for (size_t start = 0; start < data.size() || start == 0; start += kFrame) {
        const size_t size = std::min(kFrame, data.size() - start);
        const bool last = start + kFrame >= data.size();
        std::vector<uint8_t> block = {'C', 'K'};
        if (settings.framing == Framing::SyncFlushedStream) {
            deflateAll(z, data.data() + start, size, last ? Z_FINISH : Z_SYNC_FLUSH, block);
        } else {
            init();
            if (start != 0) deflateSetDictionary(&z, data.data() + start - kFrame, kFrame);
            deflateAll(z, data.data() + start, size, Z_FINISH, block);
            deflateEnd(&z);
            if (block.size() > kMaxBlock) {
                // Data that does not compress goes into one final stored block, as an MSZIP
                // compressor must do to stay within the block limit.
                block = {'C',
                         'K',
                         1,
                         uint8_t(size),
                         uint8_t(size >> 8),
                         uint8_t(~size),
                         uint8_t(~size >> 8)};
                block.insert(block.end(), data.begin() + start, data.begin() + start + size);
            }
        }
        if (block.size() > kMaxBlock) std::abort();  // a flushed stream cannot fall back
        blocks.push_back(std::move(block));
        if (data.empty()) break;
    }
    if (settings.framing == Framing::SyncFlushedStream) deflateEnd(&z);
    return blocks;
}

std::vector<uint8_t> makeMixedData(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"the ", "cabinet ", "folder ", "data ", "block ",
                                         "of ",  "and ",     "file ",   "\n",    "decoder "};
    std::mt19937 random(seed);
    std::vector<uint8_t> out;
    out.reserve(size);
    while (out.size() < size) {
        size_t piece = 1000 + random() % 20000;
        switch (random() % 4) {
            case 0:  // text
                while (out.size() < size && piece-- > 0) {
                    for (const char* c = kWords[random() % 10]; *c; ++c) out.push_back(*c);
                }
                break;
            case 1:  // noise
                for (size_t i = 0; i < piece; ++i) out.push_back(uint8_t(random()));
                break;
            case 2:  // runs
                for (size_t i = 0; i < piece; ++i) out.push_back(uint8_t(i / 300));
                break;
            default:  // a repeat from far back, when there is history
                for (size_t i = 0; i < piece && out.size() > 40000; ++i) {
                    out.push_back(out[out.size() - 32768 + (i % 7)]);
                }
                break;
        }
    }
    out.resize(size);
    return out;
}

}  // namespace tamrix::mszip::test
