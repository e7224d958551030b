// The compression of a cabinet's folders, as chosen on the command line ("lzx:21").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tamrix::pack {

enum class CompressionKind : uint16_t { Stored = 0, Mszip = 1, Quantum = 2, Lzx = 3 };

// How hard the compressors work: 1 fastest to 9 smallest; the names fast, normal and max
// stand for 1, 6 and 9.
constexpr int kFastLevel = 1;
constexpr int kNormalLevel = 6;
constexpr int kMaxLevel = 9;

struct Compression {
    CompressionKind kind = CompressionKind::Mszip;
    unsigned windowBits = 0;  // LZX 15..21, Quantum 10..21; 0 for the others
    int level = kNormalLevel;

    // The folder's type word: kind in bits 0-3, window in bits 8-12.
    uint16_t typeWord() const;
    // Largest data block the decoder takes for one 32,768-byte frame of this kind: the size of
    // its input buffer. A frame that compresses worse than this cannot be stored.
    uint32_t maximumBlockSize() const;
    std::string describe() const;
};

// Parses "none", "mszip", "lzx", "lzx:N", "quantum", "quantum:N". False with a message when the
// text is not one of these, the window is out of range, or the compressor is not built in.
bool parseCompression(const std::string& text, Compression* compression, std::string* error);

// Parses "fast", "normal", "max" or 1 to 9. False with a message otherwise.
bool parseLevel(const std::string& text, int* level, std::string* error);

// Turns one folder's frames (32,768 bytes each, only the last shorter) into data blocks. A new
// encoder starts every folder, so no block refers to another folder's bytes.
class FrameEncoder {
  public:
    virtual ~FrameEncoder() = default;
    // Takes the next frame and appends the data blocks that are complete, in frame order. A
    // compressor may hold frames back (several frames can share the trees of one block), so a
    // frame's block may come out with a later frame or at finish. False with a message when a
    // frame cannot be encoded.
    virtual bool addFrame(const uint8_t* data, uint32_t size,
                          std::vector<std::vector<uint8_t>>* blocks, std::string* error) = 0;
    // The blocks of the frames still held back, at the folder's end.
    virtual void finish(std::vector<std::vector<uint8_t>>*) {}

    // One frame in, its data block out: the frame's block is completed at once, whatever the
    // compressor would otherwise share with later frames.
    bool encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                     std::string* error);
};

std::unique_ptr<FrameEncoder> makeFrameEncoder(const Compression& compression);

}  // namespace tamrix::pack
