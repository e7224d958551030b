#include "platform/threads.h"

#include <pthread.h>
#include <sched.h>

#include <new>

namespace tamrix::platform {

namespace {
struct Start {
    ThreadRoutine routine;
    void* parameter;
};

void* trampoline(void* raw) {
    Start start = *static_cast<Start*>(raw);
    delete static_cast<Start*>(raw);
    start.routine(start.parameter);
    return nullptr;
}
}  // namespace

ThreadHandle startThread(ThreadRoutine routine, void* parameter) {
    auto* start = new (std::nothrow) Start{routine, parameter};
    auto* thread = new (std::nothrow) pthread_t;
    if (!start || !thread || pthread_create(thread, nullptr, trampoline, start) != 0) {
        delete start;
        delete thread;
        return nullptr;
    }
    return thread;
}

void waitForThread(ThreadHandle thread) {
    pthread_join(*static_cast<pthread_t*>(thread), nullptr);
}

void closeThread(ThreadHandle thread) {
    delete static_cast<pthread_t*>(thread);
}

void yieldThread() {
    sched_yield();
}

}  // namespace tamrix::platform
