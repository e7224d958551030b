#include "tools/folder_plan.h"

#include <algorithm>

#include "cab/cabinet_format.h"

namespace tamrix::tool {

namespace {

bool laterEnd(const auto& a, const auto& b) {
    return a.end > b.end || (a.end == b.end && a.entry > b.entry);
}

}  // namespace

CopyPlan planCopy(const std::vector<ListedEntry>& entries) {
    CopyPlan plan;
    std::vector<size_t> order;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (continuedAcross(entries[i].folderIndex)) continue;
        if (entries[i].size == 0) {
            plan.emptyEntries.push_back(i);
        } else {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const ListedEntry& x = entries[a];
        const ListedEntry& y = entries[b];
        return x.folderIndex != y.folderIndex ? x.folderIndex < y.folderIndex
                                              : x.folderOffset < y.folderOffset;
    });
    for (size_t i : order) {
        const ListedEntry& e = entries[i];
        const uint64_t end = e.folderOffset + e.size;
        FolderRun* last = plan.runs.empty() ? nullptr : &plan.runs.back();
        // Touching or overlapping stretches of one folder are one run.
        if (last && last->folderIndex == e.folderIndex && e.folderOffset <= last->end) {
            last->end = std::max(last->end, end);
            last->entries.push_back(i);
            continue;
        }
        FolderRun run;
        run.folderIndex = e.folderIndex;
        run.start = e.folderOffset;
        run.end = end;
        run.driver = i;
        run.entries.push_back(i);
        plan.runs.push_back(std::move(run));
    }
    return plan;
}

RunWriter::RunWriter(const FolderRun& run, const std::vector<ListedEntry>& entries,
                     RunTargets& targets)
    : run_(run), entries_(entries), targets_(targets), position_(run.start) {}

bool RunWriter::beginUpTo(uint64_t limit) {
    while (nextEntry_ < run_.entries.size()) {
        const size_t index = run_.entries[nextEntry_];
        const ListedEntry& e = entries_[index];
        if (e.folderOffset >= limit) break;
        ++nextEntry_;
        const int32_t handle = targets_.begin(index);
        if (handle == -1) return false;
        if (handle == 0) continue;
        const Open open{e.folderOffset + e.size, index, handle};
        byEnd_.push_back(open);
        std::push_heap(byEnd_.begin(), byEnd_.end(), laterEnd<Open, Open>);
        if (!targets_.discards(handle)) writing_.push_back(open);
    }
    return true;
}

bool RunWriter::endUpTo(uint64_t limit) {
    std::erase_if(writing_, [&](const Open& o) { return o.end <= limit; });
    while (!byEnd_.empty() && byEnd_.front().end <= limit) {
        std::pop_heap(byEnd_.begin(), byEnd_.end(), laterEnd<Open, Open>);
        const Open done = byEnd_.back();
        byEnd_.pop_back();
        if (targets_.end(done.entry, done.handle) != 1) return false;
    }
    return true;
}

bool RunWriter::write(const uint8_t* data, uint32_t count) {
    const uint64_t limit = position_ + count;
    bool ok = true;
    // Piece by piece between the starts of entries, so that a target is finished before the
    // next one is begun unless their data overlap.
    while (ok && position_ < limit) {
        ok = beginUpTo(position_ + 1);
        uint64_t stop = limit;
        if (nextEntry_ < run_.entries.size()) {
            stop = std::min(stop, entries_[run_.entries[nextEntry_]].folderOffset);
        }
        for (size_t i = 0; ok && i < writing_.size(); ++i) {
            const Open& o = writing_[i];
            const uint64_t from = std::max(position_, entries_[o.entry].folderOffset);
            const uint64_t to = std::min(stop, o.end);
            if (to > from) {
                ok = targets_.write(o.handle, data + (from - (limit - count)), uint32_t(to - from));
            }
        }
        ok = ok && endUpTo(stop);
        position_ = stop;
    }
    if (!ok) discardOpen();
    return ok;
}

bool RunWriter::complete() const {
    return nextEntry_ == run_.entries.size() && byEnd_.empty();
}

void RunWriter::discardOpen() {
    for (const Open& o : byEnd_) {
        if (!targets_.discards(o.handle)) targets_.discard(o.handle);
    }
    byEnd_.clear();
    writing_.clear();
}

}  // namespace tamrix::tool
