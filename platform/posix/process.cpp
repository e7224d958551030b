// Processes on Linux. A handle owns its child until it is closed; closing it while the child runs
// leaves a thread that collects the child's end, so no ended child lingers as a zombie.
#include "platform/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/posix/child_process.h"
#include "platform/posix/process_control.h"

namespace tamrix::platform {

namespace posix {

namespace {

std::atomic<bool> inputIdleWaitsForEnd{false};

// Exit code of a child that ended by a signal: the shells' convention.
constexpr uint32_t kSignalExitBase = 128;

[[noreturn]] void failStart(int reportFd) {
    int error = errno;
    ssize_t written = ::write(reportFd, &error, sizeof error);
    (void)written;
    ::_exit(127);
}

void noteStatus(ChildProcess& child, int status) {
    child.ended = true;
    if (WIFEXITED(status)) {
        child.exitCode = uint32_t(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        child.exitCode = kSignalExitBase + uint32_t(WTERMSIG(status));
    }
}

// Collects the child's end if it has come (or waits for it when block is set). False on error.
bool collect(ChildProcess& child, bool block) {
    if (child.ended) return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(child.pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == child.pid) {
        noteStatus(child, status);
        return true;
    }
    if (result < 0 && errno == ECHILD) {
        // Someone else collected it (children ignored by the process): it has ended.
        child.ended = true;
        return true;
    }
    return result == 0;
}

}  // namespace

ProcessHandle startChildProcess(const std::string& hostProgram,
                                const std::vector<std::string>& arguments,
                                const std::string& hostFolder) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // The child reports a failed chdir or exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return nullptr;
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return nullptr;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on. The stub's own files stay with the stub.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        if (!hostFolder.empty() && ::chdir(hostFolder.c_str()) != 0) failStart(report[1]);
        ::execv(hostProgram.c_str(), argv.data());
        failStart(report[1]);
    }
    ::close(report[1]);
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    auto* child = new ChildProcess{pid, false, 0};
    if (got > 0) {
        collect(*child, true);
        delete child;
        return nullptr;
    }
    return child;
}

void setInputIdleWaitsForEnd(bool on) {
    inputIdleWaitsForEnd = on;
}

}  // namespace posix

namespace {

posix::ChildProcess* childOf(ProcessHandle process) {
    return static_cast<posix::ChildProcess*>(process);
}

}  // namespace

// Linux programs have no input-idle state to wait for.
uint32_t waitForInputIdle(ProcessHandle process, uint32_t) {
    posix::ChildProcess* child = childOf(process);
    if (!child) return kWaitFailed;
    if (posix::inputIdleWaitsForEnd && !posix::collect(*child, true)) return kWaitFailed;
    return 0;
}

bool getExitCodeProcess(ProcessHandle process, uint32_t* exitCode) {
    posix::ChildProcess* child = childOf(process);
    if (!child || !posix::collect(*child, false)) return false;
    *exitCode = child->ended ? child->exitCode : kStillActive;
    return true;
}

uint32_t waitForProcess(ProcessHandle process, uint32_t milliseconds) {
    posix::ChildProcess* child = childOf(process);
    if (!child) return kWaitFailed;
    if (milliseconds == kInfinite)
        return posix::collect(*child, true) ? kWaitSignalled : kWaitFailed;
    for (uint32_t waited = 0;; ++waited) {
        if (!posix::collect(*child, false)) return kWaitFailed;
        if (child->ended) return kWaitSignalled;
        if (waited >= milliseconds) return kWaitTimeout;
        ::usleep(1000);
    }
}

bool closeProcessHandle(ProcessHandle process) {
    posix::ChildProcess* child = childOf(process);
    if (!child) return false;
    posix::collect(*child, false);
    if (!child->ended) {
        pid_t pid = child->pid;
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    delete child;
    return true;
}

}  // namespace tamrix::platform
