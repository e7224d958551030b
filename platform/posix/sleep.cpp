#include "platform/sleep.h"

#include <time.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "platform/posix/sleep_control.h"

namespace tamrix::platform {

namespace {

std::atomic<double> sleepScale{1.0};
std::mutex observerLock;
posix::SleepObserver sleepObserver;

}  // namespace

void posix::setSleepScale(double scale) {
    sleepScale = scale < 0 ? 0 : scale;
}

void posix::setSleepObserver(SleepObserver observer) {
    std::lock_guard<std::mutex> guard(observerLock);
    sleepObserver = std::move(observer);
}

void sleepMilliseconds(uint32_t milliseconds) {
    posix::SleepObserver observer;
    {
        std::lock_guard<std::mutex> guard(observerLock);
        observer = sleepObserver;
    }
    if (observer) observer(milliseconds);
    double nanoseconds = double(milliseconds) * 1e6 * sleepScale.load();
    if (nanoseconds < 1) return;
    timespec rest;
    rest.tv_sec = time_t(nanoseconds / 1e9);
    rest.tv_nsec = long(nanoseconds - double(rest.tv_sec) * 1e9);
    while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

}  // namespace tamrix::platform
