#include "app/destination.h"

#include <cstring>

#include "paths/path_text.h"
#include "paths/text_conversion.h"

namespace tamrix {

namespace {

constexpr char16_t kBackslash = u'\\';

// A private UTF-16 copy, since toWide's buffer is overwritten by the next conversion.
struct WideText {
    char16_t units[2 * kPathSize];
    size_t length;
};

WideText widen(const char* text) {
    WideText wide = {};
    const char16_t* converted = toWide(text);
    while (converted[wide.length] && wide.length + 1 < sizeof wide.units / 2) {
        wide.units[wide.length] = converted[wide.length];
        ++wide.length;
    }
    return wide;
}

// The ANSI form of units[from, to) appended to out (kPathSize bytes); false when it does not fit.
bool appendNarrow(char* out, const WideText& wide, size_t from, size_t to) {
    WideText piece = {};
    for (size_t i = from; i < to; ++i) piece.units[piece.length++] = wide.units[i];
    const char* narrow = toNarrow(piece.units);
    if (std::strlen(out) + std::strlen(narrow) + 1 > kPathSize) return false;
    std::strcat(out, narrow);
    return true;
}

bool holdsBackslash(const WideText& wide) {
    for (size_t i = 0; i < wide.length; ++i) {
        if (wide.units[i] == kBackslash) return true;
    }
    return false;
}

bool containsForbidden(const WideText& wide) {
    for (size_t i = 0; i < wide.length; ++i) {
        char16_t c = wide.units[i];
        if (c < 128 && std::strchr(";*?\"<>|", char(c))) return true;
    }
    return false;
}

// destination = baseFolder + the part of destination from `skip` units on. False when the join
// does not fit a path.
bool joinOntoBase(char* destination, const char* baseFolder, const WideText& wide, size_t skip) {
    char joined[kPathSize];
    std::strcpy(joined, baseFolder);
    if (!appendNarrow(joined, wide, skip, wide.length)) return false;
    std::strcpy(destination, joined);
    return true;
}

// The "..\" form: climbs one folder of the base per step. False when it climbs above the drive
// (or the result does not fit a path); destination is then the base without its backslash.
bool climbParents(char* destination, const char* baseFolder, const WideText& wide) {
    size_t count = 0;
    size_t lastMatch = 0;
    for (size_t at = 0; at + 3 <= wide.length;) {
        size_t found = at;
        while (found + 3 <= wide.length &&
               !(wide.units[found] == '.' && wide.units[found + 1] == '.' &&
                 wide.units[found + 2] == kBackslash)) {
            ++found;
        }
        if (found + 3 > wide.length) break;
        ++count;
        lastMatch = found;
        at = found + 2;
    }
    // The base itself stays as it is for later passes: only its copies are cut.
    char base[kPathSize];
    std::strcpy(base, baseFolder);
    stripBackslash(base);
    char shortened[kPathSize];
    std::strcpy(shortened, base);
    for (size_t step = 0; step < count; ++step) {
        WideText folder = widen(shortened);
        size_t cut = folder.length;
        while (cut > 0 && folder.units[cut - 1] != kBackslash) --cut;
        if (cut == 0) {
            std::strcpy(destination, base);
            return false;
        }
        shortened[0] = 0;
        appendNarrow(shortened, folder, 0, cut - 1);
    }
    // The rest starts at the backslash of the last step.
    if (!appendNarrow(shortened, wide, lastMatch + 2, wide.length)) {
        std::strcpy(destination, base);
        return false;
    }
    std::strcpy(destination, shortened);
    return true;
}

}  // namespace

DestinationStep resolveDestination(char* destination, const char* baseFolder) {
    slashesToBackslashes(destination);
    stripBackslash(destination);
    WideText wide = widen(destination);
    bool ok = true;
    // A relative form joined onto the base comes back whole when it is refused, so that the
    // user sees what was tried; other forms come back as the base.
    bool relative = true;
    if (wide.length == 0) {
        std::strcpy(destination, baseFolder);
    } else if (!holdsBackslash(wide) && wide.units[wide.length - 1] != ':') {
        // A plain name lies in the package's folder.
        ok = joinOntoBase(destination, baseFolder, wide, 0);
    } else if (wide.units[0] == kBackslash && (wide.length < 2 || wide.units[1] != kBackslash)) {
        ok = joinOntoBase(destination, baseFolder, wide, 1);
    } else if (wide.length >= 2 && wide.units[0] == '.' && wide.units[1] == kBackslash) {
        ok = joinOntoBase(destination, baseFolder, wide, 2);
    } else if (wide.length >= 3 && wide.units[0] == '.' && wide.units[1] == '.' &&
               wide.units[2] == kBackslash) {
        if (!climbParents(destination, baseFolder, wide)) return DestinationStep::Retry;
    } else {
        relative = false;
    }
    // A join too long for the path buffer is refused like a forbidden character.
    if (!ok || containsForbidden(widen(destination))) {
        if (!ok || !relative) std::strcpy(destination, baseFolder);
        return DestinationStep::Retry;
    }
    trimTrailingBlanks(destination);
    if (std::strlen(destination) + 2 > kPathSize) {
        std::strcpy(destination, baseFolder);
        return DestinationStep::Retry;
    }
    appendBackslash(destination);
    return DestinationStep::Accepted;
}

}  // namespace tamrix
