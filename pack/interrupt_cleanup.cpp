#include "pack/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace tamrix::pack {

namespace {

constexpr int kSlots = 256;
constexpr size_t kNameSize = 4096;

// Written only outside the handler; a slot's name is complete before `used` is set, and the
// handler reads only slots that are set, so it never sees half a name.
struct Slot {
    std::atomic<bool> used{false};
    int folderFd = AT_FDCWD;
    char name[kNameSize];
};
Slot slots[kSlots];
std::atomic<bool> installed{false};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signal) {
    for (Slot& slot : slots) {
        if (slot.used.load()) unlinkat(slot.folderFd, slot.name, 0);
    }
    // The default action of the signal ends the process with the usual status.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);
}

}  // namespace

void installInterruptCleanup() {
    if (installed.exchange(true)) return;
    for (int signal : kSignals) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;  // stays ignored (as under nohup)
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        for (int other : kSignals) sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}

int registerTemporary(int folderFd, const char* name) {
    if (std::strlen(name) >= kNameSize) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (slots[i].used.load()) continue;
        slots[i].folderFd = folderFd;
        std::strcpy(slots[i].name, name);
        slots[i].used.store(true);
        return i;
    }
    return -1;
}

void unregisterTemporary(int slot) {
    if (slot >= 0 && slot < kSlots) slots[slot].used.store(false);
}

}  // namespace tamrix::pack
