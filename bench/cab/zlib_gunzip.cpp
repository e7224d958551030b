// The reference that `tamrix test` is measured against: a streaming gunzip with zlib that reads
// the .gz file 64 KiB at a time, checks its CRC and length, and throws the output away.
//   zlib_gunzip FILE.gz   exit status 0 when the file decoded, 1 otherwise
#include <zlib.h>

#include <cstdio>

namespace {

constexpr size_t kChunk = 64 * 1024;

bool gunzip(std::FILE* file) {
    z_stream stream{};
    // 16 + 15: a gzip wrapper around a 32 KiB window.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
    static unsigned char input[kChunk];
    static unsigned char output[kChunk];
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        stream.avail_in = unsigned(std::fread(input, 1, kChunk, file));
        if (stream.avail_in == 0) break;  // the file ends inside the stream
        stream.next_in = input;
        do {
            stream.next_out = output;
            stream.avail_out = kChunk;
            status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) {
                inflateEnd(&stream);
                return false;
            }
        } while (stream.avail_out == 0 && status != Z_STREAM_END);
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: zlib_gunzip FILE.gz\n", stderr);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = gunzip(file);
    std::fclose(file);
    if (!ok) std::fprintf(stderr, "%s: not a whole gzip stream\n", argv[1]);
    return ok ? 0 : 1;
}
