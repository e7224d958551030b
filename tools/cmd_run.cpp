// tamrix run: the stub's whole flow on a package, as if the package were the running stub.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

#include "app/run_state.h"
#include "app/startup.h"
#include "platform/module.h"
#include "platform/posix/codepage.h"
#include "platform/posix/console_interaction.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/module_file.h"
#include "platform/posix/script_interaction.h"
#include "platform/posix/write_guard.h"
#include "resources/strings.h"
#include "tools/commands.h"
#include "tools/destination_links.h"
#include "tools/run_signals.h"

namespace tamrix::tool {

namespace {

constexpr const char* kUsage =
    "usage: tamrix run [--ui console|script:FILE] [--transcript FILE] [--codepage N]\n"
    "                  [--lang en|ja] PACKAGE [ARGS...]\n"
    "Runs the stub's flow on PACKAGE; ARGS are the stub's command-line tail.\n"
    "SIGINT (Ctrl+C) or SIGTERM is the progress window's Cancel: the file being written is\n"
    "removed, nothing runs afterwards, exit status 0; a second signal ends the run at once.\n";

struct RunOptions {
    std::string ui = "console";
    std::string transcript;
    int codepage = 0;
    std::string language = "en";
    std::string package;
    std::string tail;
};

bool parseOptions(int argc, char** argv, RunOptions* options) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return false;
        std::string value = argv[++i];
        if (option == "--ui") {
            options->ui = value;
        } else if (option == "--transcript") {
            options->transcript = value;
        } else if (option == "--codepage") {
            options->codepage = std::atoi(value.c_str());
        } else if (option == "--lang") {
            options->language = value;
        } else {
            return false;
        }
    }
    if (i >= argc) return false;
    options->package = argv[i++];
    for (; i < argc; ++i) options->tail += (options->tail.empty() ? "" : " ") + std::string(argv[i]);
    if (options->ui != "console" && options->ui.rfind("script:", 0) != 0) return false;
    return options->language == "en" || options->language == "ja";
}

}  // namespace

int runRun(int argc, char** argv) {
    RunOptions options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (!platform::posix::setModuleFile(options.package.c_str())) {
        std::fprintf(stderr, "tamrix run: cannot read %s\n", options.package.c_str());
        return 1;
    }
    int codepage = options.codepage ? options.codepage : options.language == "ja" ? 932 : 1252;
    if (!platform::posix::setAnsiCodePage(uint32_t(codepage))) {
        std::fprintf(stderr, "tamrix run: code page %d is not available\n", codepage);
        return 2;
    }
    setLanguage(options.language == "ja" ? Language::Japanese : Language::English);

    FILE* transcript = stdout;
    if (!options.transcript.empty() && !(transcript = std::fopen(options.transcript.c_str(), "w"))) {
        std::fprintf(stderr, "tamrix run: cannot write %s\n", options.transcript.c_str());
        return 1;
    }
    std::unique_ptr<platform::posix::Interaction> interaction;
    if (options.ui == "console") {
        interaction = std::make_unique<platform::posix::ConsoleInteraction>();
    } else {
        std::deque<std::string> answers;
        std::string script = options.ui.substr(7);
        if (!platform::posix::ScriptInteraction::loadAnswers(script.c_str(), &answers)) {
            std::fprintf(stderr, "tamrix run: cannot read %s\n", script.c_str());
            return 1;
        }
        interaction = std::make_unique<platform::posix::ScriptInteraction>(answers, transcript);
    }
    platform::posix::setInteraction(interaction.get());
    std::string tail = platform::posix::utf8ToAnsi(options.tail);
    resetRunState();
    platform::posix::setWriteGuard(noLinkBelowDestination);
    stopOnSignals();
    // The stub's own exit code: 0 done or stopped by the user, 1 failed.
    int exitCode = runStartup(platform::moduleHandle(), tail.c_str());
    restoreSignals();
    platform::posix::setWriteGuard(nullptr);
    platform::posix::setInteraction(nullptr);
    if (transcript != stdout) std::fclose(transcript);
    return exitCode;
}

}  // namespace tamrix::tool
