#include "app/setup_launch.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "paths/path_text.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/sleep.h"

namespace tamrix {

namespace {

constexpr uint32_t kProcessPollMs = 100;
constexpr uint32_t kSettlePauseMs = 1000;
constexpr uint32_t kProbeIntervalMs = 10;
constexpr uint32_t kProbesAfterRunning = 200;
constexpr uint32_t kProbesAfterEnded = 3000;
constexpr uint32_t kWindowPollMs = 100;

constexpr const char* kInfInstaller32 =
    "rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %s";
constexpr const char* kInfInstaller16 =
    "rundll.exe setupx.dll,InstallHinfSection DefaultInstall 132 %s";

// Copies text into a buffer of size bytes; false (and the buffer left empty) when it does not fit.
bool copyText(char* out, uint32_t size, const char* text) {
    size_t length = std::strlen(text);
    if (length + 1 > size) {
        out[0] = 0;
        return false;
    }
    std::memcpy(out, text, length + 1);
    return true;
}

bool equalsIgnoringCase(const char* a, const char* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] + 32) : b[i];
        if (x != y) return false;
        if (!x) return true;
    }
    return true;
}

// The folder part of text, up to and including its last backslash (empty without one). Slashes
// do not count, and neither does the 0x5C second byte of a double-byte character. False when the
// folder does not fit.
bool folderPart(const char* text, char* folder, uint32_t size) {
    long last = findLastSeparator(text, false);
    size_t length = last >= 0 ? size_t(last) + 1 : 0;
    folder[0] = 0;
    if (length + 1 > size) return false;
    std::memcpy(folder, text, length);
    folder[length] = 0;
    return true;
}

bool endsInExtension(const char* text, size_t length, const char* extension) {
    return length >= 4 && equalsIgnoringCase(text + length - 4, extension, 4);
}

bool endsInProgramExtension(const char* text, size_t length) {
    for (const char* extension : {".exe", ".com", ".bat", ".cmd", ".inf", ".msi"}) {
        if (endsInExtension(text, length, extension)) return true;
    }
    return false;
}

}  // namespace

SetupCommandParts splitSetupCommand(const char* command) {
    SetupCommandParts parts = {command, 0, nullptr};
    const char* rest;
    if (*command == '"') {
        parts.program = command + 1;
        const char* quote = std::strchr(parts.program, '"');
        parts.programLength = quote ? size_t(quote - parts.program) : std::strlen(parts.program);
        rest = parts.program + parts.programLength + (quote ? 1 : 0);
    } else {
        // A blank is never the second byte of a double-byte character.
        const char* firstBlank = std::strchr(command, ' ');
        const char* end = nullptr;
        for (const char* blank = firstBlank;; blank = std::strchr(blank + 1, ' ')) {
            const char* nameEnd = blank ? blank : command + std::strlen(command);
            if (endsInProgramExtension(command, size_t(nameEnd - command))) {
                end = nameEnd;
                break;
            }
            if (!blank) break;
        }
        if (!end) end = firstBlank ? firstBlank : command + std::strlen(command);
        parts.programLength = size_t(end - command);
        rest = end;
    }
    while (*rest == ' ') ++rest;
    if (*rest) parts.parameters = rest;
    return parts;
}

namespace {

// Waits for the installer window that a setup may leave behind: the probes, then until it closes.
void waitForInstallerWindow(uint32_t probes) {
    char classBuffer[kWindowNameSize];
    char titleBuffer[kWindowNameSize];
    bool found = false;
    for (uint32_t probe = 0; probe < probes && !found; ++probe) {
        platform::sleepMilliseconds(kProbeIntervalMs);
        classBuffer[0] = 0;
        titleBuffer[0] = 0;
        found = findInstallerWindow(classBuffer, titleBuffer) != nullptr;
    }
    if (!found) return;
    do {
        platform::sleepMilliseconds(kWindowPollMs);
    } while (platform::findTopLevelWindow(classBuffer[0] ? classBuffer : nullptr,
                                          titleBuffer[0] ? titleBuffer : nullptr));
}

}  // namespace

platform::WindowHandle findInstallerWindow(char* classBuffer, char* titleBuffer) {
    for (const char* className : {"MsiDialogCloseClass", "InstallShield_Win"}) {
        copyText(classBuffer, kWindowNameSize, className);
        if (platform::WindowHandle window = platform::findTopLevelWindow(classBuffer, nullptr)) {
            return window;
        }
    }
    classBuffer[0] = 0;
    copyText(titleBuffer, kWindowNameSize, "Setup");
    platform::WindowHandle window = platform::findTopLevelWindow(nullptr, titleBuffer);
    if (!window) titleBuffer[0] = 0;
    return window;
}

void runSetupCommand(const char* setupCommand, const char* destination, uint32_t waitFlag) {
    SetupCommandParts parts = splitSetupCommand(setupCommand);
    // A program path that does not fit whole is not started: a cut one would name another program.
    char command[kSetupCommandTextSize] = {};
    size_t destinationLength = std::strlen(destination);
    if (destinationLength + parts.programLength + 1 > sizeof command) return;
    std::memcpy(command, destination, destinationLength);
    std::memcpy(command + destinationLength, parts.program, parts.programLength);
    size_t commandLength = destinationLength + parts.programLength;

    // The program alone decides the working folder; its parameters never do.
    char folder[kWorkingFolderSize];
    if (!folderPart(command, folder, sizeof folder)) return;

    const char* program = command;
    const char* parameters = parts.parameters;
    if (endsInExtension(command, commandLength, ".inf")) {
        char shortPath[kShortPathSize] = {};
        if (!platform::getShortPathName(command, shortPath, sizeof shortPath)) {
            std::memset(shortPath, 0, sizeof shortPath);
        }
        char found[260];
        const char* installer = platform::searchPath("rundll32.exe", found, sizeof found)
                                    ? kInfInstaller32
                                    : kInfInstaller16;
        // At most 255 bytes of short path in a 512-byte text: always fits.
        std::snprintf(command, sizeof command, installer, shortPath);
        parameters = nullptr;
        if (char* blank = std::strchr(command, ' ')) {
            *blank = 0;
            parameters = blank + 1;
        }
    }

    platform::ShellExecuteRecord record = {};
    record.size = platform::kShellExecuteRecordSize;
    record.mask = platform::kMaskNoCloseProcess;
    record.window = nullptr;
    record.verb = "open";
    record.file = program;
    record.parameters = parameters;
    record.directory = folder;
    record.show = platform::kShowDefault;
    if (!platform::shellExecuteEx(record) || !record.process) return;
    platform::ProcessHandle process = record.process;

    platform::waitForInputIdle(process, platform::kInfinite);
    uint32_t exitCode = 0;
    if (!platform::getExitCodeProcess(process, &exitCode) || !waitFlag) {
        platform::closeProcessHandle(process);
        return;
    }
    bool wasRunning = exitCode == platform::kStillActive;
    if (wasRunning) {
        while (platform::waitForProcess(process, 0) == platform::kWaitTimeout) {
            platform::sleepMilliseconds(kProcessPollMs);
        }
    }
    platform::closeProcessHandle(process);
    platform::sleepMilliseconds(kSettlePauseMs);
    waitForInstallerWindow(wasRunning ? kProbesAfterRunning : kProbesAfterEnded);
}

}  // namespace tamrix
