// Shell-style patterns for choosing entries by name: '*' any run of characters (separators
// included), '?' one character, [abc], [a-z] and [!abc] one character of (or not of) a set.
// Backslash and slash are the same separator on both sides, and ASCII letters match either case,
// as Windows names do. Characters are UTF-8 sequences, so '?' takes one whole character.
#pragma once

#include <string>
#include <vector>

namespace tamrix::tool {

bool matchesPattern(const std::string& pattern, const std::string& name);

// True when there are no patterns, or the name matches one of them.
bool matchesAny(const std::vector<std::string>& patterns, const std::string& name);

}  // namespace tamrix::tool
