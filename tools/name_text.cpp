#include "tools/name_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tamrix::tool {

namespace {
constexpr uint16_t kAttributeUtf8Name = 0x80;
constexpr const char kReplacement[] = "\xEF\xBF\xBD";
}  // namespace

bool parseCodePage(const std::string& text, int* codePage) {
    if (text == "utf-8" || text == "UTF-8" || text == "utf8") {
        *codePage = kUtf8CodePage;
        return true;
    }
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || value <= 0 || value > 65535) return false;
    *codePage = int(value);
    return true;
}

NameConverter::NameConverter(int codePage) {
    std::string from = codePage == kUtf8CodePage ? "UTF-8" : "CP" + std::to_string(codePage);
    converter_ = iconv_open("UTF-8", from.c_str());
}

NameConverter::~NameConverter() {
    if (valid()) iconv_close(static_cast<iconv_t>(converter_));
}

std::string NameConverter::toUtf8(const char* stored, uint16_t attributes, bool* exact) {
    if (exact) *exact = true;
    if (attributes & kAttributeUtf8Name) {
        if (pack::isUtf8(stored)) return stored;
        if (exact) *exact = false;  // marked UTF-8 but is not: shown through the code page
    }
    if (!valid()) return stored;
    auto cd = static_cast<iconv_t>(converter_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string result;
    char* in = const_cast<char*>(stored);
    size_t inLeft = std::strlen(stored);
    char buffer[1024];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t done = iconv(cd, &in, &inLeft, &out, &outLeft);
        result.append(buffer, size_t(out - buffer));
        if (done == size_t(-1) && errno != E2BIG) {
            // An undefined or incomplete byte: mark it and go on behind it.
            result += kReplacement;
            if (exact) *exact = false;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return result;
}

bool safePathComponents(const std::string& name, std::vector<std::string>* components,
                        bool* altered) {
    components->clear();
    *altered = false;
    std::string part;
    auto finish = [&](bool last) {
        if (part.empty() || part == ".") {
            if (!(last && part.empty() && components->empty())) *altered = true;
        } else if (components->empty() && part.size() == 2 && part[1] == ':' &&
                   ((part[0] | 0x20) >= 'a' && (part[0] | 0x20) <= 'z')) {
            *altered = true;  // a drive letter
        } else {
            components->push_back(part);
        }
        part.clear();
    };
    for (char c : name) {
        if (c == '\\' || c == '/') {
            if (c == '/') *altered = true;
            finish(false);
        } else {
            part += c;
        }
    }
    finish(true);
    for (const std::string& component : *components) {
        if (component == "..") return false;
    }
    return !components->empty();
}

}  // namespace tamrix::tool
