#include "pack/package_settings.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "codecs/little_endian.h"
#include "package/cabinet_signature.h"

namespace tamrix::pack {

namespace {

bool putText(const std::string& text, const char* what, const char* option, AnsiText* ansi,
             char* field, size_t width, std::string* error) {
    std::string converted;
    if (!ansi->fromUtf8(text, &converted)) {
        *error = std::string("the ") + what + " cannot be written in code page " +
                 std::to_string(ansi->codePage()) + " (choose another with --codepage)";
        return false;
    }
    if (converted.find('\0') != std::string::npos) {
        *error = std::string("the ") + what + " holds a NUL character";
        return false;
    }
    if (converted.size() + 1 > width) {
        *error = std::string("the ") + what + " (" + option + ") is " +
                 std::to_string(converted.size()) + " bytes; its header field holds at most " +
                 std::to_string(width - 1);
        return false;
    }
    std::memset(field, 0, width);
    std::memcpy(field, converted.data(), converted.size());
    return true;
}

std::string trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The escapes of an e"..." value; false on any other backslash.
bool unescape(std::string* value) {
    std::string out;
    for (size_t i = 0; i < value->size(); ++i) {
        char c = (*value)[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == value->size()) return false;
        // The escape letters and, at the same place, what they stand for.
        static constexpr char kLetters[] = "\\\"nrt";
        static constexpr char kMeanings[] = "\\\"\n\r\t";
        char letter = (*value)[i];
        if (const char* known = letter ? std::strchr(kLetters, letter) : nullptr) {
            out += kMeanings[known - kLetters];
            continue;
        }
        int high = letter == 'x' && i + 2 < value->size() ? hexDigit((*value)[i + 1]) : -1;
        int low = high >= 0 ? hexDigit((*value)[i + 2]) : -1;
        if (low < 0) return false;
        out += char(high << 4 | low);
        i += 2;
    }
    *value = out;
    return true;
}

}  // namespace

std::string settingLine(const std::string& key, const std::string& value) {
    bool plain =
        value.empty() || (value.front() != ' ' && value.front() != '\t' && value.front() != '"' &&
                          value.front() != '\'' && value.back() != ' ' && value.back() != '\t' &&
                          value.compare(0, 2, "e\"") != 0);
    bool printable = true;
    for (unsigned char c : value) printable = printable && c >= 0x20 && c != 0x7F;
    if (plain && printable) return key + " = " + value + "\n";
    // A double-quoted value is taken as written (settings files hold Windows paths with
    // backslashes), so only a text with control characters needs the escaped form e"...".
    if (printable) return key + " = \"" + value + "\"\n";
    std::string quoted = "e\"";
    for (unsigned char c : value) {
        char escape[5];
        if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += char(c);
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            quoted += escape;
        } else {
            quoted += char(c);
        }
    }
    return key + " = " + quoted + "\"\n";
}

bool makePackageHeader(const PackageSettings& settings, AnsiText* ansi, uint32_t cabinetCrc,
                       PackageHeader* header, std::string* error) {
    std::memset(header, 0, sizeof *header);
    std::memcpy(header->magic, kPackageMagic, sizeof header->magic);
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what)                                          \
    if (!putText(settings.name, what, "--" key, ansi, header->name, sizeof header->name, error)) { \
        return false;                                                                              \
    }
#include "package/package_header_fields.inc"
    if (settings.deleteAfterSetup && settings.setupCommand.empty()) {
        *error =
            "--delete-after-setup needs a setup command (--setup): the stub ignores it without";
        return false;
    }
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) header->name = settings.name;
#include "package/package_header_fields.inc"
    // The setting says whether there is a CRC; the header holds the CRC itself.
    header->cabinetCrc = cabinetCrc;
    // The stub takes the first "MSCF" and four zero bytes in its file for the cabinet: a header
    // text must not produce them, or the package would point the stub into its own header.
    std::vector<uint8_t> bytes = headerBytes(*header);
    const uint8_t signature[8] = {'M', 'S', 'C', 'F', 0, 0, 0, 0};
    bytes.insert(bytes.end(), signature, signature + 8);
    CabinetSignatureScanner scanner;
    scanner.feed(bytes.data(), uint32_t(bytes.size()));
    if (scanner.offset() != int64_t(kPackageHeaderSize)) {
        *error = "a header text ends in \"MSCF\", which the stub would take for the cabinet";
        return false;
    }
    return true;
}

std::vector<uint8_t> headerBytes(const PackageHeader& header) {
    std::vector<uint8_t> bytes(kPackageHeaderSize);
    std::memcpy(bytes.data(), &header, sizeof header);
    // The integer words are laid down explicitly, whatever the host's byte order.
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) \
    store32(bytes.data() + (offset), header.name);
#include "package/package_header_fields.inc"
    return bytes;
}

bool readSettingsFile(const std::string& path, std::vector<SettingLine>* lines,
                      std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the settings file '" + path + "'";
        return false;
    }
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        std::string line = trim(text);
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        std::string where = path + ":" + std::to_string(number) + ": ";
        if (equals == std::string::npos) {
            *error = where + "expected 'key = value'";
            return false;
        }
        std::string key = trim(line.substr(0, equals));
        std::string value = trim(line.substr(equals + 1));
        bool escaped = value.compare(0, 2, "e\"") == 0;
        if (escaped) value.erase(0, 1);
        char quote = value.empty() ? 0 : value.front();
        if (quote == '"' || quote == '\'') {
            if (value.size() < 2 || value.back() != quote) {
                *error = where + "the quoted value has no closing quote";
                return false;
            }
            value = value.substr(1, value.size() - 2);
            if (escaped && !unescape(&value)) {
                *error = where +
                         "an e\"...\" value knows only the escapes \\\\ \\\" "
                         "\\n \\r \\t \\xHH";
                return false;
            }
        }
        if (key.empty()) {
            *error = where + "the key is missing";
            return false;
        }
        lines->push_back({number, key, value});
    }
    // A read error, or a folder (which opens as a file does), ends the lines as the end would.
    if (in.bad()) {
        *error = "cannot read the settings file '" + path + "'";
        return false;
    }
    return true;
}

bool parseFlag(const std::string& text, bool* value) {
    if (text == "yes" || text == "true" || text == "on" || text == "1") {
        *value = true;
        return true;
    }
    if (text == "no" || text == "false" || text == "off" || text == "0") {
        *value = false;
        return true;
    }
    return false;
}

}  // namespace tamrix::pack
