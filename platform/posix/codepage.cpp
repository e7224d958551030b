// Code pages through iconv from the C library. Bytes that do not decode are kept, never dropped:
// towards UTF-16 they become U+F700 plus the byte (and come back as that byte), towards UTF-8
// names they pass through as they are.
#include "platform/posix/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/codepage.h"

namespace tamrix::platform::posix {

namespace {

std::atomic<uint32_t> currentPage{1252};

constexpr char16_t kByteCarrier = 0xF700;

std::string pageName(uint32_t page) {
    return "CP" + std::to_string(page);
}

const char* utf16Name() {
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

// Converts in; every sequence iconv refuses goes to fallback, which appends its replacement and
// returns how many input bytes it stands for.
// Descriptors are kept per thread and per direction; opening one costs more than a conversion.
class Converters {
  public:
    ~Converters() {
        for (Entry& entry : entries_) ::iconv_close(entry.cd);
    }
    iconv_t get(const std::string& from, const std::string& to) {
        for (Entry& entry : entries_) {
            if (entry.from == from && entry.to == to) {
                ::iconv(entry.cd, nullptr, nullptr, nullptr, nullptr);
                return entry.cd;
            }
        }
        iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
        if (cd != kNoConverter) entries_.push_back({from, to, cd});
        return cd;
    }
    static inline const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

  private:
    struct Entry {
        std::string from;
        std::string to;
        iconv_t cd;
    };
    std::vector<Entry> entries_;
};

template <typename Fallback>
std::string convert(const std::string& from, const std::string& to, std::string_view in,
                    Fallback fallback) {
    thread_local Converters converters;
    std::string out;
    iconv_t cd = converters.get(from, to);
    if (cd == Converters::kNoConverter) {
        while (!in.empty()) in.remove_prefix(std::min(in.size(), fallback(in, out)));
        return out;
    }
    char buffer[512];
    while (!in.empty()) {
        char* source = const_cast<char*>(in.data());
        size_t sourceLeft = in.size();
        char* target = buffer;
        size_t targetLeft = sizeof buffer;
        size_t result = ::iconv(cd, &source, &sourceLeft, &target, &targetLeft);
        int error = errno;
        out.append(buffer, size_t(target - buffer));
        in.remove_prefix(in.size() - sourceLeft);
        if (result != size_t(-1) || error == E2BIG) continue;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        in.remove_prefix(std::min(in.size(), fallback(in, out)));
    }
    return out;
}

// Length of the valid UTF-8 sequence at the start of text, or 0 when it is not one.
size_t utf8SequenceLength(std::string_view text) {
    uint8_t lead = uint8_t(text[0]);
    size_t length = lead < 0x80                   ? 1
                    : lead >= 0xC2 && lead < 0xE0 ? 2
                    : lead >= 0xE0 && lead < 0xF0 ? 3
                    : lead >= 0xF0 && lead < 0xF5 ? 4
                                                  : 0;
    if (length == 0 || length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((uint8_t(text[i]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

void appendEscape(std::string& out, uint8_t byte) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '<';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
    out += '>';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUnit(std::string& out, char16_t unit) {
    char bytes[2];
    std::memcpy(bytes, &unit, 2);
    out.append(bytes, 2);
}

}  // namespace

bool setAnsiCodePage(uint32_t codePage) {
    iconv_t cd = ::iconv_open("UTF-8", pageName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    ::iconv_close(cd);
    currentPage = codePage;
    return true;
}

uint32_t ansiCodePage() {
    return currentPage;
}

std::string ansiToUtf8Name(std::string_view ansi) {
    std::string utf8 =
        convert(pageName(currentPage), "UTF-8", ansi, [](std::string_view rest, std::string& out) {
            out += rest[0];
            return size_t(1);
        });
    // Undo the escapes that utf8ToAnsiName makes; nothing else has this form in a Windows name.
    std::string result;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '<' && i + 3 < utf8.size() && utf8[i + 3] == '>') {
            int high = hexValue(utf8[i + 1]), low = hexValue(utf8[i + 2]);
            int byte = high < 0 || low < 0 ? -1 : high * 16 + low;
            if (byte >= 0x80 || byte == '<') {
                result += char(byte);
                i += 3;
                continue;
            }
        }
        result += utf8[i];
    }
    return result;
}

std::string utf8ToAnsiName(std::string_view utf8) {
    std::string result;
    auto fallback = [](std::string_view rest, std::string& out) {
        size_t length = utf8SequenceLength(rest);
        if (length == 0) length = 1;
        for (size_t i = 0; i < length; ++i) appendEscape(out, uint8_t(rest[i]));
        return length;
    };
    while (!utf8.empty()) {
        size_t angle = utf8.find('<');
        result += convert("UTF-8", pageName(currentPage), utf8.substr(0, angle), fallback);
        if (angle == std::string_view::npos) break;
        appendEscape(result, '<');
        utf8.remove_prefix(angle + 1);
    }
    return result;
}

std::string utf8ToAnsiText(std::string_view utf8) {
    return convert("UTF-8", pageName(currentPage), utf8,
                   [](std::string_view rest, std::string& out) {
                       out += '?';
                       return std::max<size_t>(1, utf8SequenceLength(rest));
                   });
}

}  // namespace tamrix::platform::posix

namespace tamrix::platform {

int multiByteToWide(const char* text, int length, char16_t* out, int capacity) {
    if (length == 0 || capacity < 0) return 0;
    size_t bytes = length < 0 ? std::strlen(text) + 1 : size_t(length);
    std::string wide = posix::convert(
        posix::pageName(posix::currentPage), posix::utf16Name(), std::string_view(text, bytes),
        [](std::string_view rest, std::string& result) {
            posix::appendUnit(result, char16_t(posix::kByteCarrier + uint8_t(rest[0])));
            return size_t(1);
        });
    int units = int(wide.size() / 2);
    if (capacity == 0) return units;
    if (units > capacity) return 0;
    std::memcpy(out, wide.data(), wide.size());
    return units;
}

int wideToMultiByte(const char16_t* text, int length, char* out, int capacity) {
    if (length == 0 || capacity < 0) return 0;
    size_t units = 0;
    if (length < 0) {
        while (text[units]) ++units;
        ++units;
    } else {
        units = size_t(length);
    }
    std::string narrow = posix::convert(
        posix::utf16Name(), posix::pageName(posix::currentPage),
        std::string_view(reinterpret_cast<const char*>(text), units * 2),
        [](std::string_view rest, std::string& result) {
            if (rest.size() < 2) return rest.size();
            char16_t unit;
            std::memcpy(&unit, rest.data(), 2);
            if (unit >= posix::kByteCarrier && unit <= posix::kByteCarrier + 0xFF) {
                result += char(unit & 0xFF);
                return size_t(2);
            }
            result += '?';
            char16_t next = 0;
            if (rest.size() >= 4) std::memcpy(&next, rest.data() + 2, 2);
            bool pair = unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000;
            return size_t(pair ? 4 : 2);
        });
    if (capacity == 0) return int(narrow.size());
    if (narrow.size() > size_t(capacity)) return 0;
    std::memcpy(out, narrow.data(), narrow.size());
    return int(narrow.size());
}

bool isDbcsLeadByte(uint8_t byte) {
    switch (posix::currentPage) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        default:
            return false;
    }
}

}  // namespace tamrix::platform
