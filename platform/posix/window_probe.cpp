#include "platform/window_probe.h"

#include <strings.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/test_windows.h"

namespace tamrix::platform {

namespace {

struct TestWindow {
    int32_t id;
    std::string className;
    std::string title;
};

// Tests may take a window away from another thread while the main thread probes.
std::mutex windowsLock;
std::vector<TestWindow> windows;
int32_t lastId = 0;

}  // namespace

int32_t posix::registerTestWindow(const char* className, const char* title) {
    std::lock_guard<std::mutex> guard(windowsLock);
    windows.push_back({++lastId, className ? className : "", title ? title : ""});
    return lastId;
}

void posix::unregisterTestWindow(int32_t id) {
    std::lock_guard<std::mutex> guard(windowsLock);
    std::erase_if(windows, [id](const TestWindow& window) { return window.id == id; });
}

WindowHandle findTopLevelWindow(const char* className, const char* title) {
    std::lock_guard<std::mutex> guard(windowsLock);
    for (const TestWindow& window : windows) {
        if (className && ::strcasecmp(className, window.className.c_str()) != 0) continue;
        if (title && ::strcasecmp(title, window.title.c_str()) != 0) continue;
        return reinterpret_cast<WindowHandle>(static_cast<intptr_t>(window.id));
    }
    return nullptr;
}

}  // namespace tamrix::platform
