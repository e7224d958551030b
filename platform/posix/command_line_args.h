// Splitting a Windows command-line text into arguments, for the programs started on Linux.
#pragma once

#include <string>
#include <vector>

namespace tamrix::platform::posix {

// The runtime library's rules: blanks and tabs separate arguments outside double quotes, quotes
// group, 2n backslashes before a quote give n backslashes and a grouping quote, 2n+1 give n
// backslashes and a literal quote, other backslashes are kept; "" inside quotes is a literal quote.
std::vector<std::string> splitCommandLineArguments(const char* text);

}  // namespace tamrix::platform::posix
