#include "pack/code_signing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace tamrix::pack {

namespace {

bool readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

// Runs program (searched on PATH) with arguments; its standard output and error are collected.
// Returns the exit status, -1 when it could not be started (errno says why), -2 when it did not
// end normally.
int runCollecting(const std::vector<std::string>& arguments, std::string* output) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (started != 0) {
        close(pipeEnds[0]);
        errno = started;
        return -1;
    }
    char piece[4096];
    for (;;) {
        ssize_t got = read(pipeEnds[0], piece, sizeof piece);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output->append(piece, size_t(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    for (;;) {
        size_t colon = folders.find(':', start);
        std::string folder =
            folders.substr(start, colon == std::string::npos ? colon : colon - start);
        if (access(((folder.empty() ? "." : folder) + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (colon == std::string::npos) return false;
        start = colon + 1;
    }
}

std::string missingProgram() {
    return std::string("cannot sign: ") + kSigningProgram +
           " is not on PATH (Debian: apt-get install osslsigncode)";
}

}  // namespace

bool checkSigningOptions(const SigningOptions& options, std::string* error) {
    if (options.certificate.empty() || options.key.empty()) {
        *error = "signing needs both --sign-cert FILE and --sign-key FILE";
        return false;
    }
    for (const std::string* file : {&options.certificate, &options.key, &options.passwordFile}) {
        if (!file->empty() && !readable(*file)) {
            *error = "cannot read '" + *file + "': " + std::strerror(errno);
            return false;
        }
    }
    if (!onPath(kSigningProgram)) {
        *error = missingProgram();
        return false;
    }
    return true;
}

bool signFile(const SigningOptions& options, const std::string& in, const std::string& out,
              std::string* error) {
    std::vector<std::string> arguments = {kSigningProgram,     "sign", "-certs",
                                          options.certificate, "-key", options.key};
    if (!options.passwordFile.empty())
        arguments.insert(arguments.end(), {"-readpass", options.passwordFile});
    if (!options.timestampUrl.empty())
        arguments.insert(arguments.end(), {"-ts", options.timestampUrl});
    // osslsigncode refuses to write over an existing file.
    unlink(out.c_str());
    arguments.insert(arguments.end(), {"-in", in, "-out", out});
    std::string output;
    int status = runCollecting(arguments, &output);
    if (status == -1 && errno == ENOENT) {
        *error = missingProgram();
        return false;
    }
    if (status != 0) {
        while (!output.empty() && output.back() == '\n') output.pop_back();
        *error = std::string(status == -1 ? "cannot start " : "signing failed: ") +
                 kSigningProgram + (status == -1 ? std::string(": ") + std::strerror(errno) : "") +
                 (output.empty() ? "" : "\n" + output);
        return false;
    }
    return true;
}

}  // namespace tamrix::pack
