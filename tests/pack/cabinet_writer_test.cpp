// The cabinet writer: structures read back as written, checksums, folders, MSZIP blocks, limits.
#include "pack/cabinet_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pack/mszip_frame_encoder.h"
#include "tests/pack/cabinet_parser.h"
#include "tests/pack/pack_fixtures.h"

namespace tamrix {
namespace {

using pack::CabinetEntry;
using pack::CabinetOptions;
using pack::CompressionKind;

CabinetOptions optionsFor(CompressionKind kind, uint64_t folderSize = 0) {
    CabinetOptions options;
    options.compression.kind = kind;
    options.folderSize = folderSize;
    return options;
}

struct Sample {
    test::TempFolder folder;
    std::vector<std::vector<uint8_t>> contents;
    std::vector<CabinetEntry> entries;

    void add(const std::string& name, std::vector<uint8_t> bytes) {
        entries.push_back(test::makeEntry(folder, name, bytes));
        contents.push_back(std::move(bytes));
    }
};

// Three files of mixed data, crossing block boundaries, and an empty one.
void fillMixed(Sample* sample) {
    sample->add("readme.txt", test::textBytes(1000));
    sample->add("bin\\noise.bin", test::noiseBytes(70000, 7));
    sample->add("bin\\empty", {});
    sample->add("docs\\long text.txt", test::textBytes(100000, 3));
}

void expectReadsBack(const Sample& sample, const std::vector<uint8_t>& bytes, uint16_t typeWord) {
    test::ParsedCabinet cabinet;
    ASSERT_TRUE(test::parseCabinet(bytes, &cabinet));
    EXPECT_EQ(0u, cabinet.reserved1);
    EXPECT_EQ(0u, cabinet.reserved2);
    EXPECT_EQ(0u, cabinet.reserved3);
    EXPECT_EQ(0x0103, cabinet.version);
    EXPECT_EQ(0, cabinet.cabinetIndex);
    ASSERT_EQ(sample.entries.size(), cabinet.files.size());
    // The data blocks follow the file table and each other without a gap, to the cabinet's end.
    uint32_t expected = cabinet.endOfFileTable;
    for (const test::ParsedFolder& folder : cabinet.folders) {
        EXPECT_EQ(typeWord, folder.typeWord);
        EXPECT_EQ(expected, folder.firstBlockOffset);
        for (size_t i = 0; i < folder.blocks.size(); ++i) {
            const test::ParsedBlock& block = folder.blocks[i];
            EXPECT_EQ(expected, block.offset);
            expected += 8 + block.compressedSize;
            EXPECT_TRUE(test::blockChecksumMatches(block)) << "block at " << block.offset;
            if (i + 1 < folder.blocks.size()) {
                EXPECT_EQ(32768, block.uncompressedSize);
            }
        }
    }
    EXPECT_EQ(bytes.size(), expected);
    for (size_t i = 0; i < cabinet.files.size(); ++i) {
        const CabinetEntry& entry = sample.entries[i];
        EXPECT_EQ(entry.name, cabinet.files[i].name);
        EXPECT_EQ(entry.date, cabinet.files[i].date);
        EXPECT_EQ(entry.time, cabinet.files[i].time);
        EXPECT_EQ(entry.attributes, cabinet.files[i].attributes);
        EXPECT_EQ(sample.contents[i], test::fileBytes(cabinet, i)) << entry.name;
    }
}

TEST(CabinetWriter, StoredAndMszipCabinetsReadBackAsWritten) {
    for (CompressionKind kind : {CompressionKind::Stored, CompressionKind::Mszip}) {
        for (uint64_t folderSize : {uint64_t(0), uint64_t(60000)}) {
            SCOPED_TRACE(testing::Message()
                         << "kind " << int(kind) << " folder size " << folderSize);
            Sample sample;
            fillMixed(&sample);
            std::vector<uint8_t> bytes = test::writeCabinetBytes(sample.folder, sample.entries,
                                                                 optionsFor(kind, folderSize));
            expectReadsBack(sample, bytes, uint16_t(kind));
        }
    }
}

TEST(CabinetWriter, FoldersSplitBeforeAFileThatWouldPassTheFolderSize) {
    Sample sample;
    fillMixed(&sample);
    pack::CabinetPlan plan;
    std::string error;
    ASSERT_TRUE(pack::planCabinet(sample.entries, optionsFor(CompressionKind::Stored, 60000),
                                  0xFFFFFFFFu, &plan, &error));
    // 1000 | 70000 (larger than the limit: a folder of its own) + empty | 100000.
    ASSERT_EQ(3u, plan.folders.size());
    EXPECT_EQ((std::vector<uint16_t>{0, 1, 1, 2}), plan.folderIndex);
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 70000, 0}), plan.folderOffset);
    EXPECT_EQ(4u, plan.folders[2].blockCount);
    ASSERT_TRUE(pack::planCabinet(sample.entries, optionsFor(CompressionKind::Stored), 0xFFFFFFFFu,
                                  &plan, &error));
    EXPECT_EQ(1u, plan.folders.size());
    EXPECT_EQ(6u, plan.folders[0].blockCount);  // 171000 bytes
}

TEST(CabinetWriter, ChecksumsAreLeftOutOnRequestAndAFlippedByteBreaksThem) {
    Sample sample;
    sample.add("a.txt", test::textBytes(50000));
    CabinetOptions options = optionsFor(CompressionKind::Mszip);
    options.blockChecksums = false;
    test::ParsedCabinet cabinet;
    ASSERT_TRUE(test::parseCabinet(test::writeCabinetBytes(sample.folder, sample.entries, options),
                                   &cabinet));
    for (const test::ParsedBlock& block : cabinet.folders[0].blocks) EXPECT_EQ(0u, block.checksum);

    options.blockChecksums = true;
    test::ParsedCabinet checked;
    ASSERT_TRUE(test::parseCabinet(test::writeCabinetBytes(sample.folder, sample.entries, options),
                                   &checked));
    test::ParsedBlock block = checked.folders[0].blocks[1];
    EXPECT_TRUE(test::blockChecksumMatches(block));
    block.data[block.data.size() / 2] ^= 0x10;
    EXPECT_FALSE(test::blockChecksumMatches(block));
}

TEST(CabinetWriter, AllEmptyFilesMakeOneFolderWithoutBlocks) {
    Sample sample;
    sample.add("a", {});
    sample.add("b", {});
    std::vector<uint8_t> bytes =
        test::writeCabinetBytes(sample.folder, sample.entries, optionsFor(CompressionKind::Mszip));
    test::ParsedCabinet cabinet;
    ASSERT_TRUE(test::parseCabinet(bytes, &cabinet));
    ASSERT_EQ(1u, cabinet.folders.size());
    EXPECT_EQ(0, cabinet.folders[0].blockCount);
    EXPECT_EQ(bytes.size(), cabinet.endOfFileTable);
}

TEST(MszipFrames, RepeatsAcrossFramesUseTheHistoryAndEveryBlockStandsAlone) {
    // The second frame repeats most of the first from 1000 bytes on (deflate reaches back
    // 32506 bytes at most): only the dictionary makes it small.
    std::vector<uint8_t> first = test::noiseBytes(32768, 5);
    std::vector<uint8_t> second(first.begin() + 1000, first.end());
    std::vector<uint8_t> fresh = test::noiseBytes(1000, 6);
    second.insert(second.end(), fresh.begin(), fresh.end());
    pack::MszipFrameEncoder encoder;
    std::vector<uint8_t> block1, block2;
    std::string error;
    ASSERT_TRUE(encoder.encodeFrame(first.data(), 32768, &block1, &error));
    ASSERT_TRUE(encoder.encodeFrame(second.data(), 32768, &block2, &error));
    EXPECT_LE(block1.size(), 32768u + 7);  // stored: "CK", one final stored deflate block
    EXPECT_LT(block2.size(), 2000u);
    test::ParsedFolder folder{0, 2, 1, {}};
    folder.blocks.push_back({0, 0, uint16_t(block1.size()), 32768, block1});
    folder.blocks.push_back({0, 0, uint16_t(block2.size()), 32768, block2});
    std::vector<uint8_t> stream;
    ASSERT_TRUE(test::decodeFolder(folder, &stream));
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_EQ(first, stream);
}

TEST(MszipFrames, IncompressibleFramesAreStoredWithinTheDecodersInputLimit) {
    std::vector<uint8_t> noise = test::noiseBytes(32768, 9);
    std::vector<uint8_t> block;
    pack::storeMszipFrame(noise.data(), 32768, &block);
    ASSERT_EQ(32768u + 7, block.size());
    EXPECT_EQ(0x01, block[2]);  // final, stored
    EXPECT_EQ(0x00, block[3]);
    EXPECT_EQ(0x80, block[4]);  // LEN 32768
    EXPECT_EQ(0xFF, block[5]);
    EXPECT_EQ(0x7F, block[6]);  // NLEN
    EXPECT_LE(block.size(), 32780u);
}

TEST(CabinetLimits, WhatTheFormatCannotHoldIsRefusedBeforeWriting) {
    CabinetOptions options = optionsFor(CompressionKind::Stored);
    pack::CabinetPlan plan;
    std::string error;
    CabinetEntry entry;
    entry.name = std::string(255, 'n');
    EXPECT_TRUE(pack::planCabinet({entry}, options, 0xFFFFFFFFu, &plan, &error)) << error;

    entry.name = std::string(256, 'n');
    EXPECT_FALSE(pack::planCabinet({entry}, options, 0xFFFFFFFFu, &plan, &error));
    EXPECT_NE(std::string::npos, error.find("255")) << error;

    entry.name = "";
    EXPECT_FALSE(pack::planCabinet({entry}, options, 0xFFFFFFFFu, &plan, &error));

    EXPECT_FALSE(pack::planCabinet({}, options, 0xFFFFFFFFu, &plan, &error));

    entry.name = "big";
    entry.size = pack::kMaxFolderBytes;
    EXPECT_TRUE(pack::planCabinet({entry}, options, 0xFFFFFFFFu, &plan, &error)) << error;
    entry.size = pack::kMaxFolderBytes + 1;
    EXPECT_FALSE(pack::planCabinet({entry}, options, 0xFFFFFFFFu, &plan, &error));
    entry.size = uint64_t(5) << 30;
    EXPECT_FALSE(pack::planCabinet({entry}, options, 0xFFFFFFFFu, &plan, &error));

    entry.size = 0;
    std::vector<CabinetEntry> many(65535, entry);
    EXPECT_TRUE(pack::planCabinet(many, options, 0xFFFFFFFFu, &plan, &error)) << error;
    many.push_back(entry);
    EXPECT_FALSE(pack::planCabinet(many, options, 0xFFFFFFFFu, &plan, &error));
    EXPECT_NE(std::string::npos, error.find("65535")) << error;
}

TEST(CabinetLimits, ACabinetThatCouldOutgrowItsRoomIsRefused) {
    CabinetEntry entry;
    entry.name = "x";
    entry.size = 2000000000;
    std::vector<CabinetEntry> entries(3, entry);  // three folders of 2 GB each
    pack::CabinetPlan plan;
    std::string error;
    EXPECT_FALSE(pack::planCabinet(entries, optionsFor(CompressionKind::Stored), 0xFFFFFFFFu, &plan,
                                   &error));
    entries.pop_back();
    EXPECT_TRUE(
        pack::planCabinet(entries, optionsFor(CompressionKind::Stored), 0xFFFFFFFFu, &plan, &error))
        << error;
    EXPECT_EQ(2u, plan.folders.size());
    // Compressed kinds are judged by the decoder's largest block, not by hope.
    EXPECT_FALSE(
        pack::planCabinet(entries, optionsFor(CompressionKind::Mszip), 4000100000u, &plan, &error));
}

TEST(CabinetWriter, AFileThatChangesAfterItWasGatheredFailsTheWrite) {
    Sample sample;
    sample.add("a.txt", test::textBytes(40000));
    sample.add("b.txt", test::textBytes(10));
    CabinetOptions options = optionsFor(CompressionKind::Mszip);
    pack::CabinetPlan plan;
    std::string error;
    ASSERT_TRUE(pack::planCabinet(sample.entries, options, 0xFFFFFFFFu, &plan, &error));
    for (size_t grow : {size_t(1), size_t(0)}) {
        test::writeFile(sample.entries[0].sourcePath, test::textBytes(40000 + grow * 2 - 1));
        pack::OutputFile out;
        ASSERT_TRUE(out.open(sample.folder.host("x.cab"), &error));
        pack::CabinetResult result;
        EXPECT_FALSE(pack::writeCabinet(sample.entries, options, plan, &out, &result, &error));
        EXPECT_NE(std::string::npos, error.find("changed")) << error;
    }
}

}  // namespace
}  // namespace tamrix
