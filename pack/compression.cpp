#include "pack/compression.h"

#include <cstdlib>
#include <exception>

#include "codecs/lzx/lzx_encoder.h"
#include "codecs/lzx/lzx_format.h"
#include "codecs/mszip/deflate_constants.h"
#include "codecs/quantum/quantum_encoder.h"
#include "codecs/quantum/quantum_tables.h"
#include "pack/mszip_frame_encoder.h"

namespace tamrix::pack {

namespace {

constexpr uint32_t kFrameSize = 32768;

bool parseWindow(const std::string& text, unsigned low, unsigned high, unsigned* bits) {
    if (text.empty() || text.size() > 2) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + unsigned(c - '0');
    }
    if (value < low || value > high) return false;
    *bits = value;
    return true;
}

class StoredFrameEncoder : public FrameEncoder {
  public:
    bool addFrame(const uint8_t* data, uint32_t size, std::vector<std::vector<uint8_t>>* blocks,
                  std::string*) override {
        blocks->emplace_back(data, data + size);
        return true;
    }
};

class LzxFrameEncoder : public FrameEncoder {
  public:
    LzxFrameEncoder(unsigned windowBits, int level) : encoder_(windowBits, true, level) {}
    bool addFrame(const uint8_t* data, uint32_t size, std::vector<std::vector<uint8_t>>* blocks,
                  std::string* error) override {
        try {
            encoder_.addFrame(data, size, blocks);
        } catch (const std::exception& e) {
            *error = e.what();
            return false;
        }
        return true;
    }
    void finish(std::vector<std::vector<uint8_t>>* blocks) override { encoder_.finish(blocks); }

  private:
    LzxEncoder encoder_;
};

class QuantumFrameEncoder : public FrameEncoder {
  public:
    QuantumFrameEncoder(unsigned windowBits, int level) : encoder_(windowBits, level) {}
    bool addFrame(const uint8_t* data, uint32_t size, std::vector<std::vector<uint8_t>>* blocks,
                  std::string*) override {
        blocks->push_back(encoder_.encodeFrame(data, size));
        return true;
    }

  private:
    QuantumEncoder encoder_;
};

}  // namespace

bool FrameEncoder::encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                               std::string* error) {
    std::vector<std::vector<uint8_t>> blocks;
    if (!addFrame(data, size, &blocks, error)) return false;
    finish(&blocks);
    if (blocks.size() != 1) {
        *error = "the compressor gave " + std::to_string(blocks.size()) + " blocks for a frame";
        return false;
    }
    *block = std::move(blocks.front());
    return true;
}

uint16_t Compression::typeWord() const {
    return uint16_t(uint16_t(kind) | (windowBits & 0x1F) << 8);
}

uint32_t Compression::maximumBlockSize() const {
    switch (kind) {
        case CompressionKind::Stored:
            return kFrameSize;
        case CompressionKind::Mszip:
            return kFrameSize + mszip::kInputAllowance;
        case CompressionKind::Quantum:
            return kFrameSize + quantum::kInputAllowance;
        case CompressionKind::Lzx:
            return kFrameSize + lzx::kInputAllowance;
    }
    return kFrameSize;
}

std::string Compression::describe() const {
    switch (kind) {
        case CompressionKind::Stored:
            return "none";
        case CompressionKind::Mszip:
            return "mszip";
        case CompressionKind::Quantum:
            return "quantum:" + std::to_string(windowBits);
        case CompressionKind::Lzx:
            return "lzx:" + std::to_string(windowBits);
    }
    return "?";
}

bool parseCompression(const std::string& text, Compression* compression, std::string* error) {
    std::string name = text.substr(0, text.find(':'));
    bool hasWindow = name.size() != text.size();
    std::string window = hasWindow ? text.substr(name.size() + 1) : "";
    Compression result;
    if ((name == "none" || name == "stored" || name == "mszip") && !hasWindow) {
        result.kind = name == "mszip" ? CompressionKind::Mszip : CompressionKind::Stored;
    } else if (name == "lzx") {
        result.kind = CompressionKind::Lzx;
        result.windowBits = lzx::kMaxWindowBits;
        if (hasWindow &&
            !parseWindow(window, lzx::kMinWindowBits, lzx::kMaxWindowBits, &result.windowBits)) {
            *error = "the LZX window must be 15 to 21 (a window of 2^N bytes): '" + text + "'";
            return false;
        }
    } else if (name == "quantum") {
        result.kind = CompressionKind::Quantum;
        result.windowBits = quantum::kMaxWindowBits;
        if (hasWindow && !parseWindow(window, quantum::kMinWindowBits, quantum::kMaxWindowBits,
                                      &result.windowBits)) {
            *error = "the Quantum window must be 10 to 21 (a window of 2^N bytes): '" + text + "'";
            return false;
        }
    } else {
        *error = "unknown compression '" + text + "' (none, mszip, lzx[:15..21], quantum[:10..21])";
        return false;
    }
    *compression = result;
    return true;
}

bool parseLevel(const std::string& text, int* level, std::string* error) {
    if (text == "fast") {
        *level = kFastLevel;
    } else if (text == "normal") {
        *level = kNormalLevel;
    } else if (text == "max") {
        *level = kMaxLevel;
    } else if (text.size() == 1 && text[0] >= '1' && text[0] <= '9') {
        *level = text[0] - '0';
    } else {
        *error = "--level wants fast, normal, max or 1 to 9: '" + text + "'";
        return false;
    }
    return true;
}

std::unique_ptr<FrameEncoder> makeFrameEncoder(const Compression& compression) {
    switch (compression.kind) {
        case CompressionKind::Stored:
            return std::make_unique<StoredFrameEncoder>();
        case CompressionKind::Mszip:
            return std::make_unique<MszipFrameEncoder>(compression.level);
        case CompressionKind::Lzx:
            return std::make_unique<LzxFrameEncoder>(compression.windowBits, compression.level);
        case CompressionKind::Quantum:
            return std::make_unique<QuantumFrameEncoder>(compression.windowBits, compression.level);
        default:
            return nullptr;
    }
}

}  // namespace tamrix::pack
