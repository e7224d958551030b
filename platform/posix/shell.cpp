// The shell on Linux: executable files are run directly, other files and folders go to the
// desktop's opener (xdg-open) when there is a display.
#include "platform/shell.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/posix/child_process.h"
#include "platform/posix/command_line_args.h"
#include "platform/posix/desktop.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/interaction.h"
#include "platform/process.h"

namespace tamrix::platform {

namespace {

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

bool isDirectory(const std::string& hostPath) {
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// An absolute host path for the file the shell is asked to start. A bare name is looked up the way
// the system's search path does; other relative names are taken from the current folder.
std::string locate(const char* file) {
    if (!std::strpbrk(file, "\\/:")) {
        char found[PATH_MAX];
        if (!searchPath(file, found, sizeof found)) return {};
        return posix::toHostPath(found);
    }
    std::string hostPath = posix::toHostPath(file);
    if (hostPath.empty() || hostPath[0] == '/') return hostPath;
    char current[PATH_MAX];
    if (!::getcwd(current, sizeof current)) return {};
    return std::string(current) + "/" + hostPath;
}

// xdg-open from PATH only: the module's folder and the current folder are no place for an opener.
std::string findOpener() {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(start, end - start) + "/xdg-open";
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

ProcessHandle openWithOpener(const std::string& hostPath, const std::string& hostFolder) {
    if (!hasDisplay()) return nullptr;
    std::string opener = findOpener();
    if (opener.empty()) return nullptr;
    return posix::startChildProcess(opener, {opener, hostPath}, hostFolder);
}

bool startsWithInterpreterLine(const std::string& hostPath) {
    FILE* file = std::fopen(hostPath.c_str(), "rb");
    if (!file) return false;
    char head[2] = {};
    size_t got = std::fread(head, 1, 2, file);
    std::fclose(file);
    return got == 2 && head[0] == '#' && head[1] == '!';
}

}  // namespace

bool shellExecuteEx(ShellExecuteRecord& record) {
    record.process = nullptr;
    if (!record.file || !*record.file) return false;
    if (record.verb && *record.verb && ::strcasecmp(record.verb, "open") != 0) return false;
    std::string folder;
    if (record.directory && *record.directory) {
        folder = posix::toHostPath(record.directory);
        if (folder.empty() || !isDirectory(folder)) return false;
    }
    std::string program = locate(record.file);
    struct stat info;
    if (program.empty() || ::stat(program.c_str(), &info) != 0) return false;
    ProcessHandle process;
    bool script = S_ISREG(info.st_mode) && ::access(program.c_str(), X_OK) != 0 &&
                  startsWithInterpreterLine(program);
    if (script || (S_ISREG(info.st_mode) && ::access(program.c_str(), X_OK) == 0)) {
        // Extracted files carry no execute permission: a script among them runs through the shell.
        std::vector<std::string> arguments = {program};
        if (script) arguments.insert(arguments.begin(), "/bin/sh");
        // Linux programs take their arguments in UTF-8.
        std::string parameters = posix::ansiToUtf8(record.parameters ? record.parameters : "");
        for (std::string& argument : posix::splitCommandLineArguments(parameters.c_str())) {
            arguments.push_back(std::move(argument));
        }
        process = posix::startChildProcess(arguments[0], arguments, folder);
    } else {
        // A document or a folder: its associated program opens it.
        process = openWithOpener(program, folder);
    }
    if (!process) return false;
    if (record.mask & kMaskNoCloseProcess) {
        record.process = process;
    } else {
        closeProcessHandle(process);
    }
    return true;
}

void posix::openFolderOnDesktop(const char* folder) {
    std::string hostFolder = toHostPath(folder);
    if (!hostFolder.empty()) {
        if (ProcessHandle opener = openWithOpener(hostFolder, {})) {
            closeProcessHandle(opener);
            return;
        }
    }
    // No desktop to show it on: tell the user where the files are.
    std::printf("Extracted to %s\n", hostFolder.empty() ? folder : hostFolder.c_str());
    std::fflush(stdout);
}

// The user's side of it belongs to the interaction: the console form opens the folder on the
// desktop, the scripted form writes it to its transcript.
void openFolderInShell(const char* folder) {
    posix::interaction().openFolder(folder);
}

}  // namespace tamrix::platform
