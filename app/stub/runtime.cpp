// The C++ runtime entry points that the compiler calls on its own (allocation, pure virtual
// calls, guarded local statics, destructors of statics), defined here so that the stub never links
// libstdc++'s versions: those throw, and with them come the exception machinery, the unwinder and
// the demangler, some 140 KB for one `new`. The front-end allocates through malloc; these only keep
// a stray `new`, an abstract class or a function-local static from growing the stub.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// Out of memory, or a call that cannot happen: end the process, like every other road, with 0.
[[noreturn]] void endProcess() {
    ExitProcess(0);
}

void* allocate(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) endProcess();
    return block;
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

extern "C" {

// Destructors of static objects: the stub ends with ExitProcess, which never runs them, and the
// system releases everything they could. Registering them would need the start-up code's table.
int atexit(void (*)()) {
    return 0;
}

void __cxa_pure_virtual() {
    endProcess();
}
void __cxa_deleted_virtual() {
    endProcess();
}

// Function-local statics with a dynamic initialiser: the worker and the main thread may reach one
// at the same time. The guard's first byte is the compiler's "done" flag; its second word marks an
// initialisation in progress.
int __cxa_guard_acquire(uint64_t* guard) {
    volatile char* done = reinterpret_cast<volatile char*>(guard);
    volatile LONG* busy = reinterpret_cast<volatile LONG*>(guard) + 1;
    for (;;) {
        if (*done) return 0;
        if (InterlockedCompareExchange(busy, 1, 0) == 0) {
            if (!*done) return 1;  // this thread initialises
            InterlockedExchange(busy, 0);
            return 0;
        }
        Sleep(0);
    }
}

void __cxa_guard_release(uint64_t* guard) {
    // The exchange is a full barrier: the object is written before the flag is seen.
    InterlockedExchange(reinterpret_cast<volatile LONG*>(guard), 1);
    InterlockedExchange(reinterpret_cast<volatile LONG*>(guard) + 1, 0);
}

void __cxa_guard_abort(uint64_t* guard) {
    InterlockedExchange(reinterpret_cast<volatile LONG*>(guard) + 1, 0);
}

// The system runtime has no strnlen; the toolchain's own one brings unwind tables, and with them a
// section of its own in the stub.
size_t strnlen(const char* text, size_t limit) {
    size_t length = 0;
    while (length < limit && text[length]) ++length;
    return length;
}

}  // extern "C"
