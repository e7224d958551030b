// Quantum folders through the engine: resets between folders of one type word, a new codec for
// another window, and the spill-file request reaching the engine's open callback.
#include <gtest/gtest.h>

#include "cab/decoder.h"
#include "codecs/quantum/quantum_encoder.h"
#include "tests/cab/engine_harness.h"
#include "tests/support/cabinet_builder.h"
#include "tests/support/memory_callbacks.h"
#include "tests/support/quantum_test_data.h"

namespace tamrix::test {
namespace {

// One folder holding `data` as a single file, coded with a fresh compressor.
TestFolder quantumFolder(const Bytes& data, unsigned windowBits, uint16_t levelBits = 0x40) {
    QuantumEncoder encoder(windowBits);
    TestFolder folder;
    folder.typeWord = uint16_t(2 | levelBits | windowBits << 8);
    for (size_t at = 0; at < data.size(); at += 32768) {
        const uint32_t n = uint32_t(std::min<size_t>(32768, data.size() - at));
        TestBlock block;
        block.data = encoder.encodeFrame(data.data() + at, n);
        block.uncompressedSize = uint16_t(n);
        folder.blocks.push_back(block);
    }
    return folder;
}

class QuantumEngine : public EngineTest {
  protected:
    void addCabinet(const std::vector<std::pair<Bytes, unsigned>>& folders) {
        TestCabinet cabinet;
        for (size_t k = 0; k < folders.size(); ++k) {
            cabinet.folders.push_back(quantumFolder(folders[k].first, folders[k].second));
            TestFile file;
            file.name = "f" + std::to_string(k);
            file.size = uint32_t(folders[k].first.size());
            file.folderIndex = uint16_t(k);
            cabinet.files.push_back(file);
        }
        addFile("q.cab", buildCabinet(cabinet));
    }
};

TEST_F(QuantumEngine, FoldersOfOneTypeWordAndOfOthers) {
    const Bytes a = quantum_test::mixedData(100000, 31);
    const Bytes b = quantum_test::mixedData(70000, 32);
    const Bytes c = quantum_test::mixedData(5000, 33);
    addCabinet({{a, 16}, {b, 16}, {c, 10}, {a, 21}});
    ASSERT_TRUE(copy("q.cab")) << decoderErrorName(error.code);
    EXPECT_EQ(written("f0"), a);
    EXPECT_EQ(written("f1"), b);
    EXPECT_EQ(written("f2"), c);
    EXPECT_EQ(written("f3"), a);
}

TEST_F(QuantumEngine, WindowThatCannotBeAllocatedAsksForTheSpillFile) {
    const Bytes a = quantum_test::mixedData(50000, 34);
    addCabinet({{a, 20}});
    world().failAllocationsOfSize = 1u << 20;
    EXPECT_FALSE(copy("q.cab"));
    EXPECT_EQ(error.code, OutOfMemory);
    // The request reached the engine's open callback as "*" and was refused there.
    bool asked = false;
    for (const std::string& path : world().opened) asked |= path == "*";
    EXPECT_TRUE(asked);
}

}  // namespace
}  // namespace tamrix::test
