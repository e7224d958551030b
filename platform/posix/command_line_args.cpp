#include "platform/posix/command_line_args.h"

namespace tamrix::platform::posix {

std::vector<std::string> splitCommandLineArguments(const char* text) {
    std::vector<std::string> arguments;
    if (!text) return arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    const char* p = text;
    while (*p) {
        if (!quoted && (*p == ' ' || *p == '\t')) {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
            ++p;
            continue;
        }
        inArgument = true;
        if (*p == '\\') {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            if (*p == '"') {
                current.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    current += '"';
                    ++p;
                }
            } else {
                current.append(backslashes, '\\');
            }
            continue;
        }
        if (*p == '"') {
            if (quoted && p[1] == '"') {
                current += '"';
                p += 2;
            } else {
                quoted = !quoted;
                ++p;
            }
            continue;
        }
        current += *p++;
    }
    if (inArgument) arguments.push_back(current);
    return arguments;
}

}  // namespace tamrix::platform::posix
