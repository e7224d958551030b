// Decoders for the resource formats the stub carries: string-table blocks, dialog templates (plain
// and extended), icon groups and version information. Texts come back as UTF-8. A malformed
// resource gives an empty result (std::nullopt), never a read past its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamrix::test {

enum ResourceType : uint32_t {
    kResourceIcon = 3,
    kResourceDialog = 5,
    kResourceString = 6,
    kResourceGroupIcon = 14,
    kResourceVersion = 16,
    kResourceManifest = 24,
};

std::string utf8FromUtf16(const std::u16string& text);

// The 16 strings of one string-table block (block n holds ids 16 * (n - 1) to 16 * n - 1).
std::optional<std::vector<std::string>> decodeStringBlock(const std::vector<uint8_t>& data);

// A name or ordinal field of a dialog template: the class, the text, the menu.
struct DialogName {
    uint16_t ordinal = 0;  // non-zero when given by number
    std::string text;
};

struct DialogControl {
    int32_t id = 0;
    DialogName windowClass;  // ordinals 0x80 button, 0x81 edit, 0x82 static
    DialogName text;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    bool extended = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    DialogName menu;
    DialogName windowClass;
    std::string caption;
    uint16_t pointSize = 0;  // font given only with DS_SETFONT
    uint16_t weight = 0;
    uint8_t italic = 0;
    uint8_t charset = 0;
    std::string faceName;
    std::vector<DialogControl> controls;

    const DialogControl* control(int32_t id) const;
};

std::optional<DialogTemplate> decodeDialog(const std::vector<uint8_t>& data);

// One entry of an icon group (the group's directory of the icon images).
struct GroupIconEntry {
    uint8_t width = 0;
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t bytes = 0;
    uint16_t iconId = 0;
};
std::optional<std::vector<GroupIconEntry>> decodeGroupIcon(const std::vector<uint8_t>& data);

// The fixed part of the version information and its string values (key, value) in every table.
struct VersionInfo {
    uint32_t fileVersionMs = 0;
    uint32_t fileVersionLs = 0;
    uint32_t productVersionMs = 0;
    uint32_t productVersionLs = 0;
    std::vector<std::pair<std::string, std::string>> strings;
    std::string value(const std::string& key) const;
};
std::optional<VersionInfo> decodeVersion(const std::vector<uint8_t>& data);

}  // namespace tamrix::test
