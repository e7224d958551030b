// The command-line grammar shared by the tool's subcommands: short flags (bundled, as in -qv),
// long options with a value as the next word or after '=', "--" ending the options, and "-" as
// an ordinary word (standard input).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tamrix::tool {

struct OptionRule {
    char shortName;        // 0 when the option has no short form
    const char* longName;  // without the dashes; nullptr when it has no long form
    bool takesValue;
    int id;
};

enum class ParseOutcome { Run, Help, Usage };

// Calls onOption for each option in order (value empty for a flag) and collects the other words
// in *words. -h/--help gives Help. An unknown option, a missing value, or onOption returning
// false (with *problem filled) prints "tamrix COMMAND: <problem>" and a hint to stderr and gives
// Usage.
ParseOutcome parseArguments(
    int argc, char** argv, const char* command, const std::vector<OptionRule>& rules,
    const std::function<bool(int id, const std::string& value, std::string* problem)>& onOption,
    std::vector<std::string>* words);

// Prints "tamrix COMMAND: problem" and the hint to stderr; returns 2, the usage exit status.
int usageError(const char* command, const std::string& problem);

}  // namespace tamrix::tool
