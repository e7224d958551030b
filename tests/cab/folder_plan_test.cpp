// The tool's plan for a cabinet: folders decoded front to back in disjoint runs, and every entry
// handed exactly its own bytes however the entries overlap.
#include "tools/folder_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace tamrix::tool {
namespace {

ListedEntry listed(uint16_t folder, uint64_t offset, uint32_t size) {
    ListedEntry e;
    e.name = "f" + std::to_string(folder) + "@" + std::to_string(offset);
    e.folderIndex = folder;
    e.folderOffset = offset;
    e.size = size;
    return e;
}

// Collects what each entry receives; handles are entry + 1, and entries listed in `skipped` are
// not wanted.
struct RecordingTargets : RunTargets {
    std::map<size_t, std::vector<uint8_t>> received;
    std::vector<size_t> ended;
    std::vector<size_t> skipped;
    size_t open = 0, mostOpen = 0;
    int32_t begin(size_t entry) override {
        if (std::find(skipped.begin(), skipped.end(), entry) != skipped.end()) return 0;
        received[entry];
        mostOpen = std::max(mostOpen, ++open);
        return int32_t(entry + 1);
    }
    bool write(int32_t handle, const uint8_t* data, uint32_t count) override {
        auto& bytes = received[size_t(handle - 1)];
        bytes.insert(bytes.end(), data, data + count);
        return true;
    }
    int32_t end(size_t entry, int32_t) override {
        ended.push_back(entry);
        --open;
        return 1;
    }
    void discard(int32_t) override { --open; }
    bool discards(int32_t) const override { return false; }
};

// Feeds each run of the plan from the folder's bytes in pieces of `piece` bytes.
void feed(const CopyPlan& plan, const std::vector<ListedEntry>& entries,
          const std::vector<uint8_t>& folder, uint32_t piece, RecordingTargets* targets) {
    for (const FolderRun& run : plan.runs) {
        RunWriter writer(run, entries, *targets);
        for (uint64_t at = run.start; at < run.end; at += piece) {
            const uint32_t count = uint32_t(std::min<uint64_t>(piece, run.end - at));
            ASSERT_TRUE(writer.write(folder.data() + at, count));
        }
        EXPECT_TRUE(writer.complete());
    }
}

TEST(FolderPlan, ReverseAndContinuedEntries) {
    const std::vector<ListedEntry> entries = {
        listed(1, 50, 10), listed(0, 90, 10), listed(0, 0, 90),     listed(0xFFFD, 0, 5),
        listed(1, 0, 0),   listed(1, 0, 20),  listed(0xFFFE, 60, 9)};
    const CopyPlan plan = planCopy(entries);
    EXPECT_EQ(plan.emptyEntries, std::vector<size_t>{4});
    ASSERT_EQ(plan.runs.size(), 3u);  // folder 0 whole; folder 1 in two stretches with a gap
    EXPECT_EQ(plan.runs[0].folderIndex, 0);
    EXPECT_EQ(plan.runs[0].start, 0u);
    EXPECT_EQ(plan.runs[0].end, 100u);
    EXPECT_EQ(plan.runs[0].entries, (std::vector<size_t>{2, 1}));
    EXPECT_EQ(plan.runs[1].start, 0u);
    EXPECT_EQ(plan.runs[1].end, 20u);
    EXPECT_EQ(plan.runs[2].start, 50u);
    EXPECT_EQ(plan.runs[2].driver, 0u);
}

TEST(FolderPlan, EveryEntryGetsItsOwnBytes) {
    std::mt19937 random(7);
    std::vector<uint8_t> folder(200000);
    for (uint8_t& b : folder) b = uint8_t(random());
    for (int round = 0; round < 20; ++round) {
        std::vector<ListedEntry> entries;
        const int count = 1 + int(random() % 60);
        for (int i = 0; i < count; ++i) {
            const uint64_t offset = random() % 150000;
            entries.push_back(listed(0, offset, uint32_t(1 + random() % (200000 - offset - 1))));
        }
        const CopyPlan plan = planCopy(entries);
        for (size_t r = 1; r < plan.runs.size(); ++r) {
            EXPECT_GT(plan.runs[r].start, plan.runs[r - 1].end);  // disjoint, in order
        }
        RecordingTargets targets;
        targets.skipped = {0};
        feed(plan, entries, folder, round % 2 ? 32768 : 777, &targets);
        EXPECT_EQ(targets.ended.size(), entries.size() - 1);
        EXPECT_EQ(targets.open, 0u);
        for (size_t i = 1; i < entries.size(); ++i) {
            const ListedEntry& e = entries[i];
            const std::vector<uint8_t> expected(folder.begin() + long(e.folderOffset),
                                                folder.begin() + long(e.folderOffset + e.size));
            EXPECT_EQ(targets.received[i], expected) << "entry " << i << " round " << round;
        }
    }
}

// Back-to-back files in one block are finished one after the other, not held open together.
TEST(FolderPlan, AdjoiningEntriesAreOpenOneAtATime) {
    std::vector<ListedEntry> entries;
    for (uint32_t i = 3000; i-- > 0;) entries.push_back(listed(0, i * 10, 10));
    const CopyPlan plan = planCopy(entries);
    ASSERT_EQ(plan.runs.size(), 1u);
    RecordingTargets targets;
    feed(plan, entries, std::vector<uint8_t>(30000, 1), 32768, &targets);
    EXPECT_EQ(targets.mostOpen, 1u);
    EXPECT_EQ(targets.ended.front(), 2999u);  // the entry at offset 0 ends first
}

// A target that fails ends the run: the writer refuses more and discards what it holds open.
TEST(FolderPlan, FailingTargetDiscardsTheOpenOnes) {
    struct FailingTargets : RecordingTargets {
        int32_t end(size_t entry, int32_t handle) override {
            RecordingTargets::end(entry, handle);
            return entry == 1 ? 0 : 1;
        }
    } targets;
    const std::vector<ListedEntry> entries = {listed(0, 0, 100), listed(0, 10, 10),
                                              listed(0, 50, 100)};
    const CopyPlan plan = planCopy(entries);
    RunWriter writer(plan.runs[0], entries, targets);
    const std::vector<uint8_t> folder(150, 3);
    EXPECT_FALSE(writer.write(folder.data(), 150));
    EXPECT_EQ(targets.open, 0u);
}

}  // namespace
}  // namespace tamrix::tool
