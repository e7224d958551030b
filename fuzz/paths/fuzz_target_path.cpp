// Arbitrary entry names through the notification handler's path steps (one leading backslash
// skipped, parent steps removed, target composed): the target never leaves the destination, in
// the Windows view nor on the Linux file system. The first byte picks the code page.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "paths/target_path.h"
#include "platform/posix/codepage.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/interaction.h"
#include "platform/ui.h"
#include "state/run_state.h"

namespace {

class SilentInteraction : public tamrix::platform::posix::Interaction {
  public:
    int messageBox(const char*, const char*, uint32_t) override { return tamrix::platform::kIdOk; }
};

struct Destination {
    Destination() {
        char pattern[] = "/tmp/tamrix-fuzz-XXXXXX";
        if (!::mkdtemp(pattern)) __builtin_trap();
        host = pattern;
        windows = tamrix::platform::posix::toWindowsPath(host) + "\\";
        tamrix::platform::posix::setInteraction(&silent);
    }
    ~Destination() {
        std::error_code error;
        std::filesystem::remove_all(host, error);
    }
    std::string host;
    std::string windows;
    SilentInteraction silent;
};

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// True when a step made only of dots and blanks, two dots or more, appears with either separator.
bool hasClimbingStep(const char* text) {
    std::string step;
    for (const char* p = text;; ++p) {
        if (*p == 0 || *p == '\\' || *p == '/') {
            if (step.find_first_not_of(". ") == std::string::npos &&
                std::count(step.begin(), step.end(), '.') >= 2) {
                return true;
            }
            if (*p == 0) return false;
            step.clear();
        } else {
            step += *p;
        }
    }
}

// Resolves "." and ".." lexically; false when the path climbs above its first depth steps (the
// destination itself, as for the name ".", is no way out).
bool staysBelow(const std::string& hostPath, size_t depth) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= hostPath.size()) {
        size_t slash = hostPath.find('/', start);
        if (slash == std::string::npos) slash = hostPath.size();
        std::string part = hostPath.substr(start, slash - start);
        if (part == "..") {
            if (parts.size() <= depth) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    return parts.size() >= depth;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Destination destination;
    if (size == 0) return 0;
    tamrix::platform::posix::setAnsiCodePage(data[0] & 1 ? 932 : 1252);
    std::string entry(reinterpret_cast<const char*>(data + 1), size - 1);
    entry = entry.c_str();

    std::vector<char> buffer(entry.begin(), entry.end());
    buffer.push_back(0);
    char* name = buffer.data();
    if (*name == '\\') ++name;
    tamrix::removeParentSteps(name);
    check(!std::strstr(name, "..\\") && !std::strstr(name, "../"));

    char out[tamrix::kPathSize];
    std::memset(out, 0, sizeof out);
    tamrix::runState.cancelRequested = 0;
    int result = tamrix::composeTargetPath(destination.windows.c_str(), name, out);
    check(result >= -1 && result <= 1);
    check(out[sizeof out - 1] == 0);
    if (result == 1) {
        const std::string& prefix = destination.windows;
        check(std::strncmp(out, prefix.c_str(), prefix.size()) == 0);
        const char* rest = out + prefix.size();
        check(*rest && *rest != '\\' && *rest != '/' && !hasClimbingStep(rest));
        check(!std::strchr(rest, ':'));
        std::string hostPath = tamrix::platform::posix::toHostPath(out);
        size_t depth = size_t(std::count(destination.host.begin(), destination.host.end(), '/'));
        check(hostPath.compare(0, destination.host.size() + 1, destination.host + "/") == 0);
        check(staysBelow(hostPath, depth));
    }
    // Folders made for the entry go again, so that every input starts from an empty destination.
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(destination.host, error)) {
        std::filesystem::remove_all(item.path(), error);
    }
    return 0;
}
