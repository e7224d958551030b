#include "tools/run_signals.h"

#include <signal.h>
#include <unistd.h>

#include "state/run_state.h"

namespace tamrix::tool {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM};
struct sigaction previous[2];
volatile sig_atomic_t stopsAsked = 0;

static_assert(std::atomic<int32_t>::is_always_lock_free, "stored from a signal handler");

void onStopSignal(int signal) {
    if (stopsAsked != 0) {
        // The second one: the default action, now.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    stopsAsked = 1;
    static const char kNotice[] = "\ntamrix run: stopping; a second signal ends at once\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
    // What the progress window's Cancel does; a stop requested before the window opens takes
    // effect at the extraction's first read.
    runState.cancelRequested.store(kStoppedByUser);
}

}  // namespace

void stopOnSignals() {
    stopsAsked = 0;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a console question waiting for its answer gives up, as on Ctrl-C.
    for (int i = 0; i < 2; ++i) sigaction(kStopSignals[i], &action, &previous[i]);
}

void restoreSignals() {
    for (int i = 0; i < 2; ++i) sigaction(kStopSignals[i], &previous[i], nullptr);
}

}  // namespace tamrix::tool
