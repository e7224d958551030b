#include "tests/support/cabinet_builder.h"

#include <algorithm>
#include <stdexcept>

#include "tests/support/byte_fields.h"

namespace tamrix::test {

namespace {

void appendName(Bytes& out, const std::string& name, bool terminate = true) {
    out.insert(out.end(), name.begin(), name.end());
    if (terminate) out.push_back(0);
}

}  // namespace

uint32_t referenceChecksum(const uint8_t* data, size_t count, uint32_t seed) {
    uint32_t sum = seed;
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        sum ^= load32(data + i);
    }
    uint32_t tail = 0;
    for (; i < count; ++i) tail = tail << 8 | data[i];
    return sum ^ tail;
}

Bytes buildCabinet(const TestCabinet& plan) {
    Bytes out(36, 0);
    put32(out, 0, plan.signature);
    put32(out, 12, plan.reservedFieldValue);
    put32(out, 20, plan.reservedFieldValue);
    put16(out, 24, plan.version);
    put16(out, 26, uint16_t(plan.folders.size()));
    put16(out, 28, uint16_t(plan.files.size()));
    uint16_t flags = plan.extraFlags;
    if (plan.previousCabinet) flags |= 0x0001;
    if (plan.nextCabinet) flags |= 0x0002;
    if (plan.reservePresent) flags |= 0x0004;
    put16(out, 30, flags);
    put16(out, 32, plan.setId);
    put16(out, 34, plan.cabinetIndex);

    const size_t folderReserve = plan.reservePresent ? plan.folderReserveSize : 0;
    const size_t dataReserve = plan.reservePresent ? plan.dataReserveSize : 0;
    if (plan.reservePresent) {
        append16(out, plan.headerReserveSizeOverride.value_or(uint16_t(plan.headerReserve.size())));
        out.push_back(plan.folderReserveSize);
        out.push_back(plan.dataReserveSize);
        out.insert(out.end(), plan.headerReserve.begin(), plan.headerReserve.end());
    }
    if (plan.previousCabinet) {
        appendName(out, *plan.previousCabinet);
        appendName(out, plan.previousDisk.value_or(""));
    }
    if (plan.nextCabinet) {
        appendName(out, *plan.nextCabinet);
        appendName(out, plan.nextDisk.value_or(""));
    }

    const size_t folderTable = out.size();
    out.resize(folderTable + plan.folders.size() * (8 + folderReserve), 0);
    out.resize(out.size() + plan.paddingBeforeFiles, 0xA5);
    put32(out, 16, uint32_t(out.size()));
    for (const TestFile& file : plan.files) {
        append32(out, file.size);
        append32(out, file.folderOffset);
        append16(out, file.folderIndex);
        append16(out, file.date);
        append16(out, file.time);
        append16(out, file.attributes);
        appendName(out, file.name, file.terminateName);
    }
    out.resize(out.size() + plan.paddingBeforeData, 0x5A);

    std::vector<size_t> order(plan.folders.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (plan.reverseFolderData) std::reverse(order.begin(), order.end());
    for (size_t index : order) {
        const TestFolder& folder = plan.folders[index];
        const size_t entry = folderTable + index * (8 + folderReserve);
        put32(out, entry, folder.firstBlockOffsetOverride.value_or(uint32_t(out.size())));
        put16(out, entry + 4, folder.blockCountOverride.value_or(uint16_t(folder.blocks.size())));
        put16(out, entry + 6, folder.typeWord);
        for (size_t i = 0; i < folderReserve && i < folder.reserve.size(); ++i) {
            out[entry + 8 + i] = folder.reserve[i];
        }
        for (const TestBlock& block : folder.blocks) {
            Bytes head(8 + dataReserve, 0);
            put16(head, 4, block.compressedSizeOverride.value_or(uint16_t(block.data.size())));
            put16(head, 6, block.uncompressedSize);
            for (size_t i = 0; i < dataReserve && i < block.reserve.size(); ++i) {
                head[8 + i] = block.reserve[i];
            }
            uint32_t sum = 0;
            if (block.withChecksum) {
                sum = referenceChecksum(block.data.data(), block.data.size(), 0);
                sum = referenceChecksum(head.data() + 4, head.size() - 4, sum);
            }
            put32(head, 0, sum ^ block.checksumXor);
            out.insert(out.end(), head.begin(), head.end());
            out.insert(out.end(), block.data.begin(), block.data.end());
        }
    }
    put32(out, 8, uint32_t(out.size()));
    return out;
}

Bytes patternBytes(size_t count, uint32_t seed) {
    Bytes out(count);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out[i] = uint8_t(state >> 3);
    }
    return out;
}

std::vector<TestBlock> storedBlocks(const Bytes& stream, uint32_t blockSize) {
    std::vector<TestBlock> blocks;
    for (size_t at = 0; at < stream.size(); at += blockSize) {
        const size_t size = std::min<size_t>(blockSize, stream.size() - at);
        TestBlock block;
        block.data.assign(stream.begin() + long(at), stream.begin() + long(at + size));
        block.uncompressedSize = uint16_t(size);
        blocks.push_back(std::move(block));
    }
    return blocks;
}

TestFolder folderOf(std::vector<TestBlock> blocks, uint16_t typeWord) {
    TestFolder folder;
    folder.typeWord = typeWord;
    folder.blocks = std::move(blocks);
    return folder;
}

StoredLayout layOutStored(const std::vector<std::pair<std::string, Bytes>>& contents,
                          uint16_t folderIndex, uint32_t blockSize) {
    StoredLayout layout;
    for (const auto& [name, data] : contents) {
        TestFile file;
        file.name = name;
        file.size = uint32_t(data.size());
        file.folderOffset = uint32_t(layout.stream.size());
        file.folderIndex = folderIndex;
        layout.files.push_back(file);
        layout.stream.insert(layout.stream.end(), data.begin(), data.end());
    }
    layout.folder.typeWord = 0;
    layout.folder.blocks = storedBlocks(layout.stream, blockSize);
    return layout;
}

std::pair<TestBlock, TestBlock> splitBlock(const TestBlock& block, size_t firstPartSize) {
    if (firstPartSize > block.data.size()) throw std::out_of_range("split beyond the block");
    TestBlock first = block, second = block;
    first.data.assign(block.data.begin(), block.data.begin() + long(firstPartSize));
    first.uncompressedSize = 0;
    second.data.assign(block.data.begin() + long(firstPartSize), block.data.end());
    return {first, second};
}

}  // namespace tamrix::test
