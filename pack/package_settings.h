// The settings a package carries in its header, as the user gives them, and their checks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pack/ansi_text.h"
#include "package/package_header.h"

namespace tamrix::pack {

// The header's fields: texts in UTF-8, converted to the code page for the header; words as flags
// with pack's defaults (openFolderAfter the stub's own; cabinetCrc whether there is a CRC).
struct PackageSettings {
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) std::string name;
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) bool name = startsOn;
#include "package/package_header_fields.inc"
};

// Fills a header from the settings, with cabinetCrc as given. False with a message when a text
// cannot be written in the code page or does not fit its field with its NUL (nothing is cut),
// when --delete-after-setup has no setup command to wait for, or when the texts would put the
// cabinet signature into the header, where the stub would take it for the cabinet.
bool makePackageHeader(const PackageSettings& settings, AnsiText* ansi, uint32_t cabinetCrc,
                       PackageHeader* header, std::string* error);

// The header's bytes as they are written into the package (integers little-endian).
std::vector<uint8_t> headerBytes(const PackageHeader& header);

// Reads a "key = value" file: one setting a line, '#' starts a comment line, blank lines are
// skipped. A value is taken as it stands, or in single or double quotes as it stands with the
// spaces at its ends, or as e"..." with the escapes \\ \" \n \r \t \xHH (for texts with line
// breaks).
// Keys are returned in file order with their line numbers; the caller knows which keys exist.
struct SettingLine {
    int line;
    std::string key;
    std::string value;
};
bool readSettingsFile(const std::string& path, std::vector<SettingLine>* lines, std::string* error);

// One "key = value" line that readSettingsFile reads back as exactly value: unquoted where that
// is unambiguous, else quoted; e"..." with escapes only for texts with control characters.
std::string settingLine(const std::string& key, const std::string& value);

// "yes", "no", "true", "false", "on", "off", "1", "0".
bool parseFlag(const std::string& text, bool* value);

}  // namespace tamrix::pack
