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
    "                  [--lang en|ja] [--] PACKAGE [ARGS...]\n"
    "\n"
    "Runs the stub's whole flow on PACKAGE as if PACKAGE were the running stub; ARGS are the\n"
    "stub's command-line tail (/D /E:cmd /H /N /O, a package or cabinet path, a destination).\n"
    "\n"
    "  --ui console       questions on the terminal, progress on stderr (the default); Ctrl-C\n"
    "                     is the progress window's Cancel, and the end of input answers every\n"
    "                     question with its safe answer (Cancel, No)\n"
    "  --ui script:FILE   answers from FILE, one per line; a transcript of every message box,\n"
    "                     dialog and answer\n"
    "  --transcript FILE  write the transcript to FILE instead of stdout\n"
    "  --codepage N       the ANSI code page of the flow (default 1252; 932 with --lang ja)\n"
    "  --lang en|ja       the language of the texts\n"
    "  --                 end of options\n"
    "\n"
    "SIGINT (Ctrl+C) or SIGTERM is the progress window's Cancel in every form: the file being\n"
    "written is removed, nothing runs afterwards, exit status 0; a second signal ends the run\n"
    "at once.\n"
    "Exit status: as the stub's, 0 when the flow did what it was asked or the user stopped it,\n"
    "1 when it failed (or PACKAGE or a file named cannot be read), 2 usage error.\n";

struct RunOptions {
    std::string ui = "console";
    std::string transcript;
    int codepage = 0;
    std::string language = "en";
    std::string package;
    std::string tail;
};

// Returns 0 to run, 1 for help, 2 for a usage error (already reported).
int parseOptions(int argc, char** argv, RunOptions* options) {
    auto bad = [](const std::string& problem) {
        std::fprintf(stderr, "tamrix run: %s\nTry 'tamrix run --help'.\n", problem.c_str());
        return 2;
    };
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != 0; ++i) {
        std::string option = argv[i];
        if (option == "-h" || option == "--help") return 1;
        if (option == "--") {
            ++i;
            break;
        }
        if (option != "--ui" && option != "--transcript" && option != "--codepage" &&
            option != "--lang") {
            return bad("unknown option '" + option + "'");
        }
        if (i + 1 >= argc) return bad("option '" + option + "' needs a value");
        std::string value = argv[++i];
        if (option == "--ui") {
            options->ui = value;
        } else if (option == "--transcript") {
            options->transcript = value;
        } else if (option == "--codepage") {
            options->codepage = std::atoi(value.c_str());
        } else {
            options->language = value;
        }
    }
    if (i >= argc) return bad("no package given");
    options->package = argv[i++];
    for (; i < argc; ++i)
        options->tail += (options->tail.empty() ? "" : " ") + std::string(argv[i]);
    if (options->ui != "console" && options->ui.rfind("script:", 0) != 0) {
        return bad("--ui wants console or script:FILE: '" + options->ui + "'");
    }
    if (options->language != "en" && options->language != "ja") {
        return bad("--lang wants en or ja: '" + options->language + "'");
    }
    return 0;
}

}  // namespace

int runRun(int argc, char** argv) {
    RunOptions options;
    switch (parseOptions(argc, argv, &options)) {
        case 1:
            std::fputs(kUsage, stdout);
            return 0;
        case 2:
            return 2;
    }
    // The code page first: the package's Windows name is made in it.
    int codepage = options.codepage ? options.codepage : options.language == "ja" ? 932 : 1252;
    if (!platform::posix::setAnsiCodePage(uint32_t(codepage))) {
        std::fprintf(stderr, "tamrix run: code page %d is not available\n", codepage);
        return 2;
    }
    if (!platform::posix::setModuleFile(options.package.c_str())) {
        std::fprintf(stderr, "tamrix run: cannot read %s\n", options.package.c_str());
        return 1;
    }
    setLanguage(options.language == "ja" ? Language::Japanese : Language::English);

    FILE* transcript = stdout;
    if (!options.transcript.empty() &&
        !(transcript = std::fopen(options.transcript.c_str(), "w"))) {
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
