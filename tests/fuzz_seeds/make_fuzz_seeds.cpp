// The seeds of the fuzz targets, each in the input form its target reads (see the comment at the
// top of each target): cabinets and sets from the test builder, and blocks from our compressors.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pack/compression.h"
#include "tests/support/byte_fields.h"
#include "tests/support/cabinet_builder.h"
#include "tests/support/flow_runner.h"

namespace {

using namespace tamrix;
using test::append16;
using test::Bytes;
namespace fs = std::filesystem;

constexpr uint32_t kFrame = 32768;

fs::path outputRoot;
int written = 0;

void put(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(outputRoot / target);
    std::ofstream(outputRoot / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ++written;
}

// Text-like data with repeats, then a stretch of noise: both matches and literals.
Bytes sampleData(size_t size, uint32_t seed) {
    static const char words[] = "the quick cabinet jumps over the lazy folder; ";
    Bytes data;
    for (size_t i = 0; data.size() < size; ++i)
        data.push_back(uint8_t(words[i % (sizeof words - 1)]));
    const Bytes noise = test::patternBytes(size / 4, seed);
    std::copy(noise.begin(), noise.end(), data.begin() + long(size / 2));
    return data;
}

std::vector<Bytes> compressFrames(const pack::Compression& compression, const Bytes& data) {
    auto encoder = pack::makeFrameEncoder(compression);
    std::vector<Bytes> blocks;
    std::string error;
    for (size_t at = 0; encoder && at < data.size(); at += kFrame) {
        const uint32_t size = uint32_t(std::min<size_t>(kFrame, data.size() - at));
        Bytes block;
        if (!encoder->encodeFrame(data.data() + at, size, &block, &error)) break;
        blocks.push_back(block);
    }
    return blocks;
}

test::TestFolder compressedFolder(const pack::Compression& compression, const Bytes& data) {
    std::vector<test::TestBlock> blocks;
    const std::vector<Bytes> frames = compressFrames(compression, data);
    for (size_t i = 0; i < frames.size(); ++i) {
        test::TestBlock block;
        block.data = frames[i];
        block.uncompressedSize = uint16_t(std::min<size_t>(kFrame, data.size() - i * kFrame));
        blocks.push_back(block);
    }
    return test::folderOf(blocks, compression.typeWord());
}

test::TestFile entry(const std::string& name, uint32_t offset, uint32_t size, uint16_t folder) {
    test::TestFile file;
    file.name = name;
    file.folderOffset = offset;
    file.size = size;
    file.folderIndex = folder;
    return file;
}

// The engine's input: two cut bytes, then "a.cab" and "b.cab".
Bytes engineInput(const Bytes& a, const Bytes& b = {}) {
    Bytes input;
    append16(input, uint32_t(a.size()));
    input.insert(input.end(), a.begin(), a.end());
    input.insert(input.end(), b.begin(), b.end());
    return input;
}

void engineSeeds() {
    const Bytes data = sampleData(40000, 1);
    const pack::Compression methods[] = {{pack::CompressionKind::Stored, 0},
                                         {pack::CompressionKind::Mszip, 0},
                                         {pack::CompressionKind::Lzx, 15},
                                         {pack::CompressionKind::Quantum, 12}};
    for (const pack::Compression& method : methods) {
        test::TestCabinet plan;
        plan.folders.push_back(compressedFolder(method, data));
        plan.files = {entry("b.txt", 30000, 10000, 0), entry("a.txt", 0, 30000, 0),
                      entry("empty", 0, 0, 0)};
        put("cab_engine_fuzzer", method.describe(), engineInput(test::buildCabinet(plan)));
    }
    // Reserve areas and an overlapping entry.
    test::TestCabinet reserved;
    reserved.reservePresent = true;
    reserved.headerReserve = Bytes(6, 0xAB);
    reserved.folderReserveSize = 3;
    reserved.dataReserveSize = 5;
    const test::StoredLayout layout = test::layOutStored({{"r", sampleData(3000, 2)}});
    reserved.folders.push_back(layout.folder);
    reserved.files = {layout.files[0], entry("again", 10, 2000, 0)};
    put("cab_engine_fuzzer", "reserve", engineInput(test::buildCabinet(reserved)));

    // A set: a file that goes on into the next cabinet, cut inside a split block.
    const Bytes stream = sampleData(50000, 3);
    std::vector<test::TestBlock> blocks = test::storedBlocks(stream);
    auto [first, rest] = test::splitBlock(blocks[1], 7000);
    test::TestCabinet one, two;
    one.nextCabinet = "b.cab";
    one.folders.push_back(test::folderOf({blocks[0], first}));
    one.files = {entry("a", 0, 1000, 0), entry("span", 1000, 49000, 0xFFFE)};
    two.cabinetIndex = 1;
    two.previousCabinet = "a.cab";
    two.folders.push_back(test::folderOf({rest}));
    two.folders.push_back(test::folderOf(test::storedBlocks(sampleData(3000, 4))));
    two.files = {entry("span", 1000, 49000, 0xFFFD), entry("c", 0, 3000, 1)};
    put("cab_engine_fuzzer", "set", engineInput(test::buildCabinet(one), test::buildCabinet(two)));
}

void codecSeeds() {
    const Bytes data = sampleData(70000, 5);
    // MSZIP: per block two size bytes and a control byte (4: up to 32,768 bytes wanted).
    Bytes mszip;
    for (const Bytes& block : compressFrames({pack::CompressionKind::Mszip, 0}, data)) {
        append16(mszip, uint32_t(block.size()));
        mszip.push_back(4);
        mszip.insert(mszip.end(), block.begin(), block.end());
    }
    put("mszip_fuzzer", "frames", mszip);

    for (unsigned bits : {15u, 17u, 21u}) {
        // LZX: the window byte, then per block its size and the wanted size less one.
        Bytes lzx{uint8_t(bits - 15)};
        const std::vector<Bytes> blocks = compressFrames({pack::CompressionKind::Lzx, bits}, data);
        for (size_t i = 0; i < blocks.size(); ++i) {
            append16(lzx, uint32_t(blocks[i].size()));
            append16(lzx, uint32_t(std::min<size_t>(kFrame, data.size() - i * kFrame) - 1));
            lzx.insert(lzx.end(), blocks[i].begin(), blocks[i].end());
        }
        put("lzx_decoder_fuzzer", "window" + std::to_string(bits), lzx);
    }
    for (unsigned bits : {10u, 15u, 21u}) {
        // Quantum: the configuration byte (window; 0x10 pages it), then per block its size and
        // the wanted size less one.
        for (uint8_t paged : {uint8_t(0), uint8_t(0x10)}) {
            Bytes quantum{uint8_t((bits - 10) | paged)};
            const std::vector<Bytes> blocks =
                compressFrames({pack::CompressionKind::Quantum, bits}, data);
            for (size_t i = 0; i < blocks.size(); ++i) {
                append16(quantum, uint32_t(blocks[i].size()));
                append16(quantum, uint32_t(std::min<size_t>(kFrame, data.size() - i * kFrame) - 1));
                quantum.insert(quantum.end(), blocks[i].begin(), blocks[i].end());
            }
            put("quantum_decoder_fuzzer", "window" + std::to_string(bits) + (paged ? "-paged" : ""),
                quantum);
        }
    }
}

void roundTripSeeds() {
    const Bytes data = sampleData(40000, 6);
    for (const char* target :
         {"mszip_round_trip_fuzzer", "lzx_round_trip_fuzzer", "quantum_round_trip_fuzzer"}) {
        for (uint8_t setting : {uint8_t(0), uint8_t(5)}) {
            Bytes input{setting};
            input.insert(input.end(), data.begin(), data.end());
            put(target, "setting" + std::to_string(setting), input);
        }
        put(target, "repeats", Bytes(5000, 'z'));
    }
}

void frontEndSeeds() {
    const char* lines[] = {
        "\"C:\\Program Files\\setup.exe\" /D:C:\\out /E:1 /H", "setup.exe /N /O pkg.exe C:\\dest",
        "x.exe \"%temp%\\data.cab\" \"%MyDocuments%\\out\"", "x.exe /D:\"C:\\a b\\c\" /E:0"};
    int i = 0;
    for (const char* line : lines) {
        put("fuzz_command_line", "line" + std::to_string(i++),
            Bytes(line, line + std::strlen(line)));
    }
    // The code page byte (1: 932), then the entry name.
    const std::pair<uint8_t, std::string> names[] = {{0, "a\\b\\c.txt"},
                                                     {0, "..\\..\\escape.txt"},
                                                     {0, "\\\\server\\share\\x"},
                                                     {1, "\x93\xfa\x96\x7b\\\x95\\x.txt"},
                                                     {0, "sub\\.\\x\\..\\y"}};
    i = 0;
    for (const auto& [codePage, name] : names) {
        Bytes input{codePage};
        input.insert(input.end(), name.begin(), name.end());
        put("fuzz_target_path", "name" + std::to_string(i++), input);
    }

    test::TestCabinet plan;
    const test::StoredLayout layout = test::layOutStored({{"a.txt", sampleData(100, 7)}});
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    test::HeaderFields header;
    header.destination = "%temp%\\demo";
    header.setupCommand = "setup.exe";
    header.promptCaption = "Demo";
    header.promptText = "Install?";
    put("fuzz_package_layout", "package", test::makePackage(test::buildCabinet(plan), header));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_maker DIR\n");
        return 2;
    }
    outputRoot = argv[1];
    engineSeeds();
    codecSeeds();
    roundTripSeeds();
    frontEndSeeds();
    std::printf("%d seeds written below %s\n", written, argv[1]);
    return 0;
}
