#include "tests/pack/cabinet_parser.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "cab/block_checksum.h"
#include "cab/cabinet_format.h"
#include "tests/support/byte_fields.h"

namespace tamrix::test {

bool parseCabinet(const std::vector<uint8_t>& b, ParsedCabinet* cab) {
    EXPECT_GE(b.size(), 36u);
    if (b.size() < 36) return false;
    EXPECT_EQ(kCabinetSignature, get32(b, 0));
    cab->reserved1 = get32(b, 4);
    cab->cabinetSize = get32(b, 8);
    cab->reserved2 = get32(b, 12);
    cab->filesOffset = get32(b, 16);
    cab->reserved3 = get32(b, 20);
    cab->version = get16(b, 24);
    cab->folderCount = get16(b, 26);
    cab->fileCount = get16(b, 28);
    cab->flags = get16(b, 30);
    cab->setId = get16(b, 32);
    cab->cabinetIndex = get16(b, 34);
    EXPECT_EQ(cab->cabinetSize, b.size());
    if (cab->flags != 0) return false;  // the writer uses no names and no reserve areas
    size_t at = 36;
    for (unsigned i = 0; i < cab->folderCount; ++i, at += 8) {
        if (at + 8 > b.size()) return false;
        cab->folders.push_back({get32(b, at), get16(b, at + 4), get16(b, at + 6), {}});
    }
    EXPECT_EQ(at, cab->filesOffset);
    at = cab->filesOffset;
    for (unsigned i = 0; i < cab->fileCount; ++i) {
        if (at + 16 > b.size()) return false;
        ParsedFile file{get32(b, at),
                        get32(b, at + 4),
                        get16(b, at + 8),
                        get16(b, at + 10),
                        get16(b, at + 12),
                        get16(b, at + 14),
                        {}};
        at += 16;
        size_t end = at;
        while (end < b.size() && b[end]) ++end;
        if (end == b.size()) return false;
        file.name.assign(reinterpret_cast<const char*>(&b[at]), end - at);
        at = end + 1;
        cab->files.push_back(file);
    }
    cab->endOfFileTable = uint32_t(at);
    for (ParsedFolder& folder : cab->folders) {
        at = folder.firstBlockOffset;
        for (unsigned i = 0; i < folder.blockCount; ++i) {
            if (at + 8 > b.size()) return false;
            ParsedBlock block{uint32_t(at), get32(b, at), get16(b, at + 4), get16(b, at + 6), {}};
            if (at + 8 + block.compressedSize > b.size()) return false;
            block.data.assign(b.begin() + long(at + 8),
                              b.begin() + long(at + 8 + block.compressedSize));
            at += 8 + block.compressedSize;
            folder.blocks.push_back(std::move(block));
        }
    }
    return true;
}

bool blockChecksumMatches(const ParsedBlock& block) {
    uint8_t sizes[4] = {uint8_t(block.compressedSize), uint8_t(block.compressedSize >> 8),
                        uint8_t(block.uncompressedSize), uint8_t(block.uncompressedSize >> 8)};
    uint32_t c = blockChecksum(block.data.data(), uint32_t(block.data.size()), 0);
    return blockChecksum(sizes, 4, c) == block.checksum;
}

bool decodeFolder(const ParsedFolder& folder, std::vector<uint8_t>* stream) {
    stream->clear();
    std::vector<uint8_t> previous;
    for (const ParsedBlock& block : folder.blocks) {
        std::vector<uint8_t> out(block.uncompressedSize);
        switch (folder.typeWord & 0x0F) {
            case 0:
                EXPECT_EQ(block.compressedSize, block.uncompressedSize);
                out = block.data;
                break;
            case 1: {
                EXPECT_TRUE(block.data.size() >= 2 && block.data[0] == 'C' && block.data[1] == 'K');
                z_stream z{};
                if (inflateInit2(&z, -15) != Z_OK) return false;
                if (!previous.empty()) {
                    inflateSetDictionary(&z, previous.data(), uInt(previous.size()));
                }
                z.next_in = const_cast<Bytef*>(block.data.data() + 2);
                z.avail_in = uInt(block.data.size() - 2);
                z.next_out = out.data();
                z.avail_out = uInt(out.size());
                int result = inflate(&z, Z_FINISH);
                // A complete stream: the final deflate block ends exactly at the block's end.
                EXPECT_EQ(Z_STREAM_END, result);
                EXPECT_EQ(0u, z.avail_in);
                EXPECT_EQ(0u, z.avail_out);
                inflateEnd(&z);
                if (result != Z_STREAM_END) return false;
                break;
            }
            default:
                ADD_FAILURE() << "no decoder here for type " << folder.typeWord;
                return false;
        }
        previous = out;
        stream->insert(stream->end(), out.begin(), out.end());
    }
    return true;
}

std::vector<uint8_t> fileBytes(const ParsedCabinet& cabinet, size_t file) {
    const ParsedFile& entry = cabinet.files[file];
    std::vector<uint8_t> stream;
    if (!decodeFolder(cabinet.folders[entry.folderIndex], &stream)) return {};
    if (uint64_t(entry.folderOffset) + entry.size > stream.size()) {
        ADD_FAILURE() << entry.name << " runs past its folder";
        return {};
    }
    return {stream.begin() + entry.folderOffset, stream.begin() + entry.folderOffset + entry.size};
}

}  // namespace tamrix::test
