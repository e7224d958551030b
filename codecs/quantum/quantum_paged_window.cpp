// The paged window: a page table over the window, slots in least-recently-used order, and a
// spill file for the pages that do not fit.
#include "codecs/quantum/quantum_paged_window.h"

#include <cstring>

#include "codecs/quantum/quantum_match_copy.h"

namespace tamrix::quantum {
namespace {

constexpr int32_t kSpillOpenFlags = kOpenBinary | kOpenCreate | kOpenReadWrite;  // 0x8102
constexpr int32_t kMinSlots = 3;

void unlink(WindowPageCache& cache, WindowSlot* s) {
    (s->previous ? s->previous->next : cache.head) = s->next;
    (s->next ? s->next->previous : cache.tail) = s->previous;
}

void pushHead(WindowPageCache& cache, WindowSlot* s) {
    s->previous = nullptr;
    s->next = cache.head;
    (cache.head ? cache.head->previous : cache.tail) = s;
    cache.head = s;
}

void moveToHead(WindowPageCache& cache, WindowSlot* s) {
    if (cache.head == s) return;
    unlink(cache, s);
    pushHead(cache, s);
}

bool seekTo(const QuantumHandle& h, int32_t file, uint32_t offset) {
    return h.seek(file, int32_t(offset), kSeekSet) == int32_t(offset);
}

// The slot holding `page`, loaded if needed. A failure leaves the cache consistent: the page
// table and the slots still agree, only the call that asked is failed.
WindowSlot* fetchPage(QuantumDecoder& d, int32_t page, bool writeIntent) {
    WindowPageCache& cache = d.cache;
    const QuantumHandle& h = *d.current;
    PageTableEntry& entry = cache.pageTable[page];
    if (entry.slot) {
        moveToHead(cache, entry.slot);
        entry.slot->dirty |= int32_t(writeIntent);
        return entry.slot;
    }
    // A page never written since reset holds nothing a match may read.
    if (!writeIntent && !entry.written) return nullptr;
    // The least recently used slot, passing over the write slot: a match may have touched two
    // source pages since it touched the write slot, and that must not make it the victim.
    WindowSlot* victim = cache.tail;
    if (victim == cache.writeSlot) victim = victim->previous;
    if (!victim) return nullptr;
    if (victim->page >= 0) {
        if (victim->dirty) {
            const uint32_t offset = uint32_t(victim->page) * kPageSize;
            if (!seekTo(h, cache.spillFile, offset) ||
                h.write(cache.spillFile, victim->data, kPageSize) != int32_t(kPageSize)) {
                return nullptr;
            }
            cache.pageTable[victim->page].written = 1;
            victim->dirty = 0;
        }
        cache.pageTable[victim->page].slot = nullptr;
        victim->page = -1;
    }
    if (entry.written) {
        const uint32_t offset = uint32_t(page) * kPageSize;
        if (!seekTo(h, cache.spillFile, offset) ||
            h.read(cache.spillFile, victim->data, kPageSize) != int32_t(kPageSize)) {
            return nullptr;
        }
    }
    moveToHead(cache, victim);
    entry.slot = victim;
    victim->page = page;
    victim->dirty = int32_t(writeIntent);
    return victim;
}

void startWriting(WindowPageCache& cache, WindowSlot* s) {
    cache.writeSlot = s;
    cache.writePointer = s->data;
    cache.writeEnd = s->data + cache.pageBytes;
}

bool failWindow(QuantumDecoder& d) {
    d.windowFailure = true;
    return false;
}

void freeSlots(QuantumDecoder& d) {
    WindowPageCache& cache = d.cache;
    for (WindowSlot* s = cache.head; s;) {
        WindowSlot* next = s->next;
        d.current->free(s);
        s = next;
    }
    cache.head = cache.tail = cache.writeSlot = nullptr;
}

}  // namespace

bool setUpPagedWindow(QuantumDecoder& d) {
    const QuantumHandle& h = *d.current;
    WindowPageCache& cache = d.cache;
    if (!h.open || !h.read || !h.write || !h.close || !h.seek) return false;
    // The request names no file: "*", a NUL, then the size the file must hold.
    char request[6] = {'*', 0};
    for (int k = 0; k < 4; ++k) request[2 + k] = char(uint8_t(d.windowSize >> (8 * k)));
    const int32_t file = h.open(request, kSpillOpenFlags, kModeReadWrite);
    if (file < 0) return false;
    cache = WindowPageCache{};
    cache.spillFile = file;
    // Windows below a page live in one page, used up to the window size, so the writing side
    // wraps exactly where match sources are masked.
    cache.pageCount = d.windowSize >= kPageSize ? int32_t(d.windowSize / kPageSize) : 1;
    cache.pageBytes = d.windowSize >= kPageSize ? kPageSize : d.windowSize;
    cache.pageTable =
        static_cast<PageTableEntry*>(h.alloc(uint32_t(cache.pageCount) * sizeof(PageTableEntry)));
    if (!cache.pageTable) {
        h.close(file);
        return false;
    }
    const int32_t wantedSlots = cache.pageCount > kMinSlots ? cache.pageCount : kMinSlots;
    for (int32_t n = 0; n < wantedSlots; ++n) {
        auto* s = static_cast<WindowSlot*>(h.alloc(sizeof(WindowSlot)));
        if (!s) {
            if (n >= kMinSlots) break;
            releasePagedWindow(d);
            return false;
        }
        // Zeroed so that no byte of the window is ever undefined.
        std::memset(s, 0, sizeof(WindowSlot));
        pushHead(cache, s);
    }
    resetPages(d);
    return true;
}

void resetPages(QuantumDecoder& d) {
    WindowPageCache& cache = d.cache;
    for (WindowSlot* s = cache.head; s; s = s->next) {
        s->page = -1;
        s->dirty = 0;
    }
    for (int32_t p = 0; p < cache.pageCount; ++p) cache.pageTable[p] = PageTableEntry{nullptr, 0};
    cache.writeSlot = nullptr;
    // Page 0 is neither held nor written, so this takes the tail slot without any file access.
    startWriting(cache, fetchPage(d, 0, true));
}

void releasePagedWindow(QuantumDecoder& d) {
    WindowPageCache& cache = d.cache;
    if (cache.pageTable) d.current->free(cache.pageTable);
    cache.pageTable = nullptr;
    freeSlots(d);
    d.current->close(cache.spillFile);
    cache.spillFile = -1;
}

bool advanceWritePage(QuantumDecoder& d) {
    WindowPageCache& cache = d.cache;
    int32_t next = cache.writeSlot->page + 1;
    if (next == cache.pageCount) next = 0;
    WindowSlot* s = fetchPage(d, next, true);
    if (!s) return failWindow(d);
    startWriting(cache, s);
    return true;
}

#ifndef _WIN32
void touchWriteSlot(WindowPageCache& cache) {
    moveToHead(cache, cache.writeSlot);
}
#endif

bool pagedMatch(QuantumDecoder& d, uint8_t* output, uint32_t position, uint32_t length,
                uint32_t distance) {
    WindowPageCache& cache = d.cache;
    uint32_t src = (position - distance) & d.windowMask;
    // Touch the write slot so that the source fetches below evict other slots first.
    fetchPage(d, cache.writeSlot->page, false);
    while (length > 0) {
        uint32_t chunk = uint32_t(cache.writeEnd - cache.writePointer);
        if (length < chunk) chunk = length;
        WindowSlot* from = fetchPage(d, int32_t(src / kPageSize), false);
        if (!from) return failWindow(d);
        const uint32_t offset = src % kPageSize;
        if (cache.pageBytes - offset < chunk) chunk = cache.pageBytes - offset;
        length -= chunk;
        src = (src + chunk) & d.windowMask;
        const uint8_t* s = from->data + offset;
        uint8_t* w = cache.writePointer;
#ifndef _WIN32
        if (from != cache.writeSlot || s + 8 <= w || s >= w + chunk) {
            copyByWords(w, s, output, chunk);
        } else {
            for (uint32_t k = 0; k < chunk; ++k) output[k] = w[k] = s[k];
        }
#else
        if (from == cache.writeSlot) {
            // Same page: the source may run into the bytes this copy writes.
            for (uint32_t k = 0; k < chunk; ++k) w[k] = s[k];
        } else {
            std::memcpy(w, s, chunk);
        }
        std::memcpy(output, w, chunk);
#endif
        output += chunk;
        cache.writePointer += chunk;
        if (cache.writePointer == cache.writeEnd && !advanceWritePage(d)) return false;
    }
    return true;
}

}  // namespace tamrix::quantum
