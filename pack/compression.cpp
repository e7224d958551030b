#include "pack/compression.h"

#include <cstdlib>

#include "codecs/lzx/lzx_format.h"
#include "codecs/mszip/deflate_constants.h"
#include "codecs/quantum/quantum_tables.h"
#include "codecs/lzx/lzx_encoder.h"
#include "codecs/quantum/quantum_encoder.h"
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
    bool encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                     std::string*) override {
        block->assign(data, data + size);
        return true;
    }
};

class LzxFrameEncoder : public FrameEncoder {
  public:
    explicit LzxFrameEncoder(unsigned windowBits) : encoder_(windowBits) {}
    bool encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                     std::string*) override {
        *block = encoder_.encodeFrame(data, size);
        return true;
    }

  private:
    LzxEncoder encoder_;
};

class QuantumFrameEncoder : public FrameEncoder {
  public:
    explicit QuantumFrameEncoder(unsigned windowBits) : encoder_(windowBits) {}
    bool encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                     std::string*) override {
        *block = encoder_.encodeFrame(data, size);
        return true;
    }

  private:
    QuantumEncoder encoder_;
};

}  // namespace

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

std::unique_ptr<FrameEncoder> makeFrameEncoder(const Compression& compression) {
    switch (compression.kind) {
        case CompressionKind::Stored:
            return std::make_unique<StoredFrameEncoder>();
        case CompressionKind::Mszip:
            return std::make_unique<MszipFrameEncoder>();
        case CompressionKind::Lzx:
            return std::make_unique<LzxFrameEncoder>(compression.windowBits);
        case CompressionKind::Quantum:
            return std::make_unique<QuantumFrameEncoder>(compression.windowBits);
        default:
            return nullptr;
    }
}

}  // namespace tamrix::pack
