#include "pack/ansi_text.h"

#include <iconv.h>

#include <vector>

namespace tamrix::pack {

namespace {
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool isAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}
}  // namespace

bool isUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

AnsiText::AnsiText(int codePage) : codePage_(codePage) {
    std::string name = codePage == kUtf8CodePage ? "UTF-8" : "CP" + std::to_string(codePage);
    converter_ = iconv_open(name.c_str(), "UTF-8");
}

AnsiText::~AnsiText() {
    if (valid()) iconv_close(static_cast<iconv_t>(converter_));
}

bool AnsiText::valid() const {
    return converter_ != kNoConverter;
}

bool AnsiText::fromUtf8(const std::string& utf8, std::string* ansi) {
    if (isAscii(utf8)) {
        *ansi = utf8;
        return true;
    }
    if (!valid()) return false;
    iconv_t converter = static_cast<iconv_t>(converter_);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> in(utf8.begin(), utf8.end());
    std::vector<char> out(utf8.size() * 2 + 8);
    char* inPointer = in.data();
    size_t inLeft = in.size();
    char* outPointer = out.data();
    size_t outLeft = out.size();
    // No transliteration: a character without a place in the code page is an error, never a '?'.
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == size_t(-1)) return false;
    if (iconv(converter, nullptr, nullptr, &outPointer, &outLeft) == size_t(-1)) return false;
    ansi->assign(out.data(), out.size() - outLeft);
    return true;
}

}  // namespace tamrix::pack
