#include "cab/codec_selection.h"

#include <cstring>

namespace tamrix {

namespace {

uint32_t kindOf(uint16_t typeWord) {
    return typeWord & 0x0F;
}
uint32_t windowOf(uint16_t typeWord) {
    return (typeWord >> 8) & 0x1F;
}

const CodecOps* codecTable[4] = {nullptr, &kMszipCodec, &kQuantumCodec, &kLzxCodec};

void freeBuffers(CabinetDecoder* decoder) {
    decoder->callbacks.free(decoder->input);
    if (decoder->output != decoder->input) decoder->callbacks.free(decoder->output);
    decoder->input = nullptr;
    decoder->output = nullptr;
    decoder->inputSize = 0;
    decoder->outputSize = 0;
}

bool failSetup(CabinetDecoder* decoder, DecoderError code) {
    decoder->typeWord = CodecUnselected;
    decoder->codec = nullptr;
    decoder->codecHandle = nullptr;
    return raise(decoder, code);
}

// Sets up the codec for typeWord; the previous codec has been released.
bool setUpCodec(CabinetDecoder* decoder, uint16_t typeWord) {
    decoder->typeWord = typeWord;
    const uint32_t kind = kindOf(typeWord);
    const CodecOps* ops = codecOpsFor(kind);
    if (kind != CodecNone && !ops) return failSetup(decoder, CodecInvalid);

    uint32_t maxOutput = kCodecOutputSize;
    uint32_t inputSize = kCodecOutputSize;
    QuantumParams quantum{windowOf(typeWord), decoder->cpuType};
    LzxParams lzx{1u << windowOf(typeWord)};
    const void* params = kind == CodecQuantum ? static_cast<const void*>(&quantum)
                         : kind == CodecLzx   ? static_cast<const void*>(&lzx)
                                              : nullptr;
    const DecoderCallbacks& cb = decoder->callbacks;
    decoder->codecFiles = FileCallbacks{cb.open, cb.read, cb.write, cb.close, cb.seek};
    const FileCallbacks* files = kind == CodecMszip ? nullptr : &decoder->codecFiles;
    if (ops) {
        if (ops->create(&maxOutput, params, cb.alloc, cb.free, &inputSize, nullptr, files) !=
                CodecSuccess ||
            inputSize > 0xFFFFFFFFu - kCodecInputSlack) {
            return failSetup(decoder, CodecFailed);
        }
    }

    // The slack behind the announced size stays zero: blocks never write past inputSize.
    auto* input = static_cast<uint8_t*>(cb.alloc(inputSize + kCodecInputSlack));
    if (!input) return failSetup(decoder, OutOfMemory);
    std::memset(input, 0, inputSize + kCodecInputSlack);
    // Stored blocks are their own output: one buffer serves as both, which saves copying every
    // block once more.
    auto* output = ops ? static_cast<uint8_t*>(cb.alloc(kCodecOutputSize)) : input;
    if (!output) {
        cb.free(input);
        return failSetup(decoder, OutOfMemory);
    }
    decoder->input = input;
    decoder->inputSize = inputSize;
    decoder->output = output;
    decoder->outputSize = kCodecOutputSize;

    if (ops) {
        maxOutput = kCodecOutputSize;
        void* handle = nullptr;
        CodecResult result =
            ops->create(&maxOutput, params, cb.alloc, cb.free, &inputSize, &handle, files);
        if (result != CodecSuccess) {
            freeBuffers(decoder);
            return failSetup(decoder, result == CodecOutOfMemory ? OutOfMemory : CodecFailed);
        }
        decoder->codecHandle = handle;
    }
    decoder->codec = ops;
    return true;
}

}  // namespace

const CodecOps* codecOpsFor(uint32_t kind) {
    return kind >= CodecMszip && kind <= CodecLzx ? codecTable[kind] : nullptr;
}

const CodecOps* replaceCodecOps(uint32_t kind, const CodecOps* ops) {
    if (kind < CodecMszip || kind > CodecLzx) return nullptr;
    const CodecOps* previous = codecTable[kind];
    codecTable[kind] = ops;
    return previous;
}

bool releaseCodec(CabinetDecoder* decoder) {
    const uint16_t typeWord = decoder->typeWord;
    if (typeWord == CodecUnselected) return true;
    if (kindOf(typeWord) != CodecNone) {
        if (!decoder->codec) return raise(decoder, CodecInvalid);
        if (decoder->codec->destroy(decoder->codecHandle) != CodecSuccess) {
            return raise(decoder, CodecFailed);
        }
    }
    freeBuffers(decoder);
    decoder->typeWord = CodecUnselected;
    decoder->codec = nullptr;
    decoder->codecHandle = nullptr;
    return true;
}

bool selectCodec(CabinetDecoder* decoder, uint16_t typeWord) {
    // Kind 15 stands for the engine's own "no codec" state and is never valid in a folder, even
    // when the word equals the current one.
    if (typeWord == decoder->typeWord && kindOf(typeWord) != CodecUnselected) return true;
    if (!releaseCodec(decoder)) return false;
    return setUpCodec(decoder, typeWord);
}

bool resetCodec(CabinetDecoder* decoder) {
    const uint32_t kind = kindOf(decoder->typeWord);
    if (kind == CodecNone || decoder->typeWord == CodecUnselected) return true;
    if (!decoder->codec) return raise(decoder, CodecInvalid);
    if (decoder->codec->reset(decoder->codecHandle) != CodecSuccess) {
        return raise(decoder, CodecFailed);
    }
    return true;
}

bool decompressBlock(CabinetDecoder* decoder, uint32_t* produced) {
    const uint32_t kind = kindOf(decoder->typeWord);
    if (decoder->typeWord == CodecUnselected) return raise(decoder, CodecInvalid);
    if (kind == CodecNone) {
        // The block's bytes already sit in the output buffer, which is the input buffer.
        *produced = decoder->blockCompressedSize;
        return true;
    }
    if (!decoder->codec) return raise(decoder, CodecInvalid);
    uint32_t size = kind == CodecMszip ? decoder->outputSize : decoder->blockUncompressedSize;
    if (decoder->codec->decompress(decoder->codecHandle, decoder->input,
                                   decoder->blockCompressedSize, decoder->output,
                                   &size) != CodecSuccess ||
        size > decoder->outputSize) {
        return raise(decoder, CodecFailed);
    }
    *produced = size;
    return true;
}

}  // namespace tamrix
