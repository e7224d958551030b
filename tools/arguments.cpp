#include "tools/arguments.h"

#include <cstdio>
#include <cstring>

namespace tamrix::tool {

int usageError(const char* command, const std::string& problem) {
    std::fprintf(stderr, "tamrix %s: %s\nTry 'tamrix %s --help'.\n", command, problem.c_str(),
                 command);
    return 2;
}

ParseOutcome parseArguments(
    int argc, char** argv, const char* command, const std::vector<OptionRule>& rules,
    const std::function<bool(int id, const std::string& value, std::string* problem)>& onOption,
    std::vector<std::string>* words) {
    auto fail = [&](const std::string& problem) {
        usageError(command, problem);
        return ParseOutcome::Usage;
    };
    auto apply = [&](const OptionRule& rule, const std::string& value) {
        std::string problem;
        if (onOption(rule.id, value, &problem)) return true;
        usageError(command, problem);
        return false;
    };
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            words->push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") return ParseOutcome::Help;
        if (arg[1] == '-') {
            const size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? equals : equals - 2);
            const OptionRule* found = nullptr;
            for (const OptionRule& rule : rules) {
                if (rule.longName && name == rule.longName) found = &rule;
            }
            if (!found) return fail("unknown option '--" + name + "'");
            std::string value;
            if (found->takesValue) {
                if (equals != std::string::npos) {
                    value = arg.substr(equals + 1);
                } else if (i + 1 < argc) {
                    value = argv[++i];
                } else {
                    return fail("option '--" + name + "' needs a value");
                }
            } else if (equals != std::string::npos) {
                return fail("option '--" + name + "' takes no value");
            }
            if (!apply(*found, value)) return ParseOutcome::Usage;
            continue;
        }
        // Short options, possibly bundled; one that takes a value takes the rest of the word or
        // the next word.
        for (size_t k = 1; k < arg.size(); ++k) {
            const OptionRule* found = nullptr;
            for (const OptionRule& rule : rules) {
                if (rule.shortName && rule.shortName == arg[k]) found = &rule;
            }
            if (!found) return fail(std::string("unknown option '-") + arg[k] + "'");
            std::string value;
            if (found->takesValue) {
                if (k + 1 < arg.size()) {
                    value = arg.substr(k + 1);
                } else if (i + 1 < argc) {
                    value = argv[++i];
                } else {
                    return fail(std::string("option '-") + arg[k] + "' needs a value");
                }
                k = arg.size();
            }
            if (!apply(*found, value)) return ParseOutcome::Usage;
        }
    }
    return ParseOutcome::Run;
}

}  // namespace tamrix::tool
