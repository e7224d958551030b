// Modeless dialogs on Linux: a window is its dialog procedure and template id; what it shows goes
// to the current interaction. Messages sent from another thread wait in a queue until the owning
// thread's message loop has handled them, as SendMessage does.
#include "platform/windows.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/posix/interaction.h"

namespace tamrix::platform {

namespace {

struct Window {
    int templateId;
    DialogProcedure procedure;
    std::thread::id owner;
    bool alive;
};

struct SentMessage {
    Window* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    intptr_t result = 0;
    bool done = false;
};

std::mutex queueMutex;
std::condition_variable queueChanged;
std::deque<SentMessage*> queue;
bool quitPosted = false;

// A control's text, set through the window's thread like the system's WM_SETTEXT.
constexpr uint32_t kSetItemText = 0x000C;

intptr_t deliver(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!window->alive) return 0;
    intptr_t result = 0;
    if (message == kSetItemText) {
        posix::interaction().controlText(window->templateId, int(wParam),
                                         reinterpret_cast<const char*>(lParam));
        result = 1;
    } else if (window->procedure) {
        result = window->procedure(window, message, wParam, lParam);
    }
    // The user may act on what the window now shows.
    if (window->alive && message != kWmInitDialog) {
        if (int control = posix::interaction().userClick(window->templateId)) {
            if (window->procedure) window->procedure(window, kWmCommand, uintptr_t(control), 0);
        }
    }
    return result;
}

// Handles one queued message; false when there was none.
bool handleQueued(std::unique_lock<std::mutex>& lock) {
    if (queue.empty()) return false;
    SentMessage* sent = queue.front();
    queue.pop_front();
    lock.unlock();
    sent->result = deliver(sent->window, sent->message, sent->wParam, sent->lParam);
    lock.lock();
    sent->done = true;
    queueChanged.notify_all();
    return true;
}

}  // namespace

// Windows live until the process ends: a late message to a destroyed one must still find it.
static std::deque<Window>& allWindows() {
    static std::deque<Window> windows;
    return windows;
}

WindowHandle createModelessDialog(int templateId, DialogProcedure procedure, intptr_t parameter) {
    Window* window =
        &allWindows().emplace_back(Window{templateId, procedure, std::this_thread::get_id(), true});
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        quitPosted = false;
    }
    posix::interaction().dialogShown(templateId);
    if (procedure) procedure(window, kWmInitDialog, 0, parameter);
    return window;
}

void destroyWindow(WindowHandle handle) {
    auto* window = static_cast<Window*>(handle);
    if (!window || !window->alive) return;
    window->alive = false;
    posix::interaction().dialogClosed(window->templateId);
}

intptr_t sendMessage(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto* window = static_cast<Window*>(handle);
    if (!window) return 0;
    if (std::this_thread::get_id() == window->owner)
        return deliver(window, message, wParam, lParam);
    SentMessage sent{window, message, wParam, lParam};
    std::unique_lock<std::mutex> lock(queueMutex);
    queue.push_back(&sent);
    queueChanged.notify_all();
    queueChanged.wait(lock, [&] { return sent.done; });
    return sent.result;
}

intptr_t sendDlgItemMessage(WindowHandle handle, int controlId, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    auto* window = static_cast<Window*>(handle);
    if (!window || !window->alive) return 0;
    if (message == kPbmSetRange32)
        posix::interaction().progressRange(window->templateId, int32_t(lParam));
    if (message == kPbmSetPos)
        posix::interaction().progressPosition(window->templateId, int32_t(wParam));
    (void)controlId;
    return 0;
}

void setDlgItemText(WindowHandle handle, int controlId, const char* text) {
    sendMessage(handle, kSetItemText, uintptr_t(controlId), reinterpret_cast<intptr_t>(text));
}

void postQuitMessage(int) {
    std::lock_guard<std::mutex> lock(queueMutex);
    quitPosted = true;
    queueChanged.notify_all();
}

void runMessageLoop(WindowHandle) {
    std::unique_lock<std::mutex> lock(queueMutex);
    for (;;) {
        if (handleQueued(lock)) continue;
        if (quitPosted) break;
        queueChanged.wait(lock);
    }
    quitPosted = false;
}

void pumpOneMessage(WindowHandle) {
    std::unique_lock<std::mutex> lock(queueMutex);
    handleQueued(lock);
}

// The shell's animation exists only on Windows; the window works the same without it.
ShellAnimation openShellAnimation(WindowHandle) {
    return {nullptr, nullptr};
}
void playShellAnimation(const ShellAnimation&) {}
void stopShellAnimation(const ShellAnimation&) {}
void closeShellAnimation(ShellAnimation&) {}

}  // namespace tamrix::platform
