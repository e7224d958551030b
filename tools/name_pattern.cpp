#include "tools/name_pattern.h"

#include <cstdint>

namespace tamrix::tool {

namespace {

// Decodes one character (a UTF-8 sequence, or a lone byte taken as it is) at text[*at].
uint32_t nextCharacter(const std::string& text, size_t* at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    uint32_t c = byte(*at);
    size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (*at + length > text.size()) length = 1;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(*at + k) & 0xC0) != 0x80) length = 1;
    }
    if (length > 1) {
        c &= 0x7F >> length;
        for (size_t k = 1; k < length; ++k) c = c << 6 | (byte(*at + k) & 0x3F);
    }
    *at += length;
    return c;
}

// The form characters are compared in: one separator, ASCII folded to lower case.
uint32_t folded(uint32_t c) {
    if (c == '\\') return '/';
    if (c >= 'A' && c <= 'Z') return c + 32;
    return c;
}

// Matches a set starting after its '[' at pattern[*at]; *at ends past the ']'. An unclosed
// set makes the '[' an ordinary character (*closed false).
bool matchSet(const std::string& pattern, size_t* at, uint32_t c, bool* closed) {
    size_t i = *at;
    bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) ++i;
    bool found = false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != ']' || first)) {
        first = false;
        uint32_t low = folded(nextCharacter(pattern, &i));
        uint32_t high = low;
        if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
            ++i;
            high = folded(nextCharacter(pattern, &i));
        }
        if (c >= low && c <= high) found = true;
    }
    *closed = i < pattern.size();
    if (!*closed) return false;
    *at = i + 1;
    return found != negated;
}

bool matchFrom(const std::string& pattern, size_t p, const std::string& name, size_t n) {
    // Iterative with one backtrack point for the last '*', which is enough for this grammar.
    size_t starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        size_t nextN = n;
        const uint32_t c = folded(nextCharacter(name, &nextN));
        if (p < pattern.size()) {
            if (pattern[p] == '*') {
                starP = ++p;
                starN = n;
                continue;
            }
            size_t nextP = p;
            bool matched = false;
            if (pattern[p] == '?') {
                matched = true;
                ++nextP;
            } else if (pattern[p] == '[') {
                ++nextP;
                bool closed = true;
                matched = matchSet(pattern, &nextP, c, &closed);
                if (!closed) {
                    nextP = p + 1;
                    matched = c == '[';
                }
            } else {
                matched = folded(nextCharacter(pattern, &nextP)) == c;
            }
            if (matched) {
                p = nextP;
                n = nextN;
                continue;
            }
        }
        if (starP == std::string::npos) return false;
        p = starP;
        nextCharacter(name, &starN);
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool matchesPattern(const std::string& pattern, const std::string& name) {
    return matchFrom(pattern, 0, name, 0);
}

bool matchesAny(const std::vector<std::string>& patterns, const std::string& name) {
    if (patterns.empty()) return true;
    for (const std::string& pattern : patterns) {
        if (matchesPattern(pattern, name)) return true;
    }
    return false;
}

}  // namespace tamrix::tool
