#include "platform/posix/write_guard.h"

#include <cerrno>

namespace tamrix::platform::posix {

namespace {
WriteGuard currentGuard = nullptr;
}

void setWriteGuard(WriteGuard guard) {
    currentGuard = guard;
}

bool writeAllowed(const std::string& hostPath) {
    if (!currentGuard || currentGuard(hostPath)) return true;
    errno = ELOOP;
    return false;
}

}  // namespace tamrix::platform::posix
