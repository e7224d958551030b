#include "tests/support/resource_formats.h"

#include "codecs/little_endian.h"

namespace tamrix::test {

namespace {

// Little-endian reads that never pass `end`; any short read marks the cursor bad.
struct Cursor {
    const std::vector<uint8_t>& data;
    size_t pos = 0;
    size_t end = 0;
    bool bad = false;

    Cursor(const std::vector<uint8_t>& bytes, size_t from, size_t to)
        : data(bytes), pos(from), end(to < bytes.size() ? to : bytes.size()) {}
    explicit Cursor(const std::vector<uint8_t>& bytes) : Cursor(bytes, 0, bytes.size()) {}

    bool take(size_t count) {
        if (bad || pos > end || count > end - pos) {
            bad = true;
            return false;
        }
        pos += count;
        return true;
    }
    uint8_t u8() { return take(1) ? data[pos - 1] : 0; }
    uint16_t u16() { return take(2) ? load16(data.data() + pos - 2) : 0; }
    uint32_t u32() { return take(4) ? load32(data.data() + pos - 4) : 0; }
    int16_t i16() { return int16_t(u16()); }
    // Zero-terminated UTF-16; `first` is a character already read.
    std::u16string text(uint16_t first) {
        std::u16string out;
        for (uint16_t c = first; c && !bad; c = u16()) out.push_back(char16_t(c));
        return out;
    }
    std::u16string text() { return text(u16()); }
    void align4() {
        size_t padding = (4 - pos % 4) % 4;
        if (padding && pos + padding > end)
            pos = end;  // padding at the very end may be missing
        else
            take(padding);
    }
};

DialogName readName(Cursor& in) {
    DialogName name;
    uint16_t first = in.u16();
    if (first == 0xFFFF) {
        name.ordinal = in.u16();
    } else if (first) {
        name.text = utf8FromUtf16(in.text(first));
    }
    return name;
}

void readControl(Cursor& in, bool extended, DialogControl& control) {
    in.align4();
    if (extended) {
        in.u32();  // help id
        control.exStyle = in.u32();
        control.style = in.u32();
    } else {
        control.style = in.u32();
        control.exStyle = in.u32();
    }
    control.x = in.i16();
    control.y = in.i16();
    control.cx = in.i16();
    control.cy = in.i16();
    control.id = extended ? int32_t(in.u32()) : int32_t(in.i16());
    control.windowClass = readName(in);
    control.text = readName(in);
    in.take(in.u16());  // creation data
}

// One node of the version information: length, value length, type, key, value, children.
bool readVersionNode(const std::vector<uint8_t>& data, size_t at, size_t limit, int depth,
                     const std::u16string& parentKey, VersionInfo& info, size_t& next) {
    Cursor in(data, at, limit);
    uint16_t length = in.u16();
    uint16_t valueLength = in.u16();
    uint16_t type = in.u16();
    if (in.bad || length < 6 || at + length > limit || depth > 3) return false;
    in.end = at + length;
    std::u16string key = in.text();
    in.align4();
    if (in.bad) return false;
    if (depth == 0) {
        if (key != u"VS_VERSION_INFO" || valueLength < 52) return false;
        size_t fixed = in.pos;
        if (in.u32() != 0xFEEF04BD) return false;
        in.u32();  // structure version
        info.fileVersionMs = in.u32();
        info.fileVersionLs = in.u32();
        info.productVersionMs = in.u32();
        info.productVersionLs = in.u32();
        in.pos = fixed;
        in.take(valueLength);
    } else if (depth == 3 && parentKey.size() == 8) {  // a string of a string table
        std::u16string value;
        for (uint16_t i = 0; i < valueLength && !in.bad; ++i) {
            uint16_t c = in.u16();
            if (!c) break;
            value.push_back(char16_t(c));
        }
        info.strings.emplace_back(utf8FromUtf16(key), utf8FromUtf16(value));
        in.pos = in.end;
    } else {
        in.take(type == 1 ? 2 * size_t(valueLength) : valueLength);
    }
    if (in.bad) return false;
    in.align4();
    while (in.pos + 6 <= in.end) {
        size_t child = 0;
        if (!readVersionNode(data, in.pos, in.end, depth + 1, key, info, child)) return false;
        in.pos = child;
        in.align4();
    }
    next = at + length;
    return true;
}

}  // namespace

std::string utf8FromUtf16(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | c >> 6));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | c >> 12));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | c >> 18));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<std::vector<std::string>> decodeStringBlock(const std::vector<uint8_t>& data) {
    Cursor in(data);
    std::vector<std::string> strings;
    for (int i = 0; i < 16; ++i) {
        uint16_t length = in.u16();
        std::u16string text;
        for (uint16_t j = 0; j < length && !in.bad; ++j) text.push_back(char16_t(in.u16()));
        if (in.bad) return std::nullopt;
        strings.push_back(utf8FromUtf16(text));
    }
    return strings;
}

const DialogControl* DialogTemplate::control(int32_t id) const {
    for (const DialogControl& c : controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

std::optional<DialogTemplate> decodeDialog(const std::vector<uint8_t>& data) {
    constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT (also part of DS_SHELLFONT)
    Cursor in(data);
    DialogTemplate dialog;
    uint16_t count = 0;
    if (data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
        dialog.extended = true;
        in.take(4);
        in.u32();  // help id
        dialog.exStyle = in.u32();
        dialog.style = in.u32();
    } else {
        dialog.style = in.u32();
        dialog.exStyle = in.u32();
    }
    count = in.u16();
    dialog.x = in.i16();
    dialog.y = in.i16();
    dialog.cx = in.i16();
    dialog.cy = in.i16();
    dialog.menu = readName(in);
    dialog.windowClass = readName(in);
    dialog.caption = utf8FromUtf16(in.text());
    if (dialog.style & kSetFont) {
        dialog.pointSize = in.u16();
        if (dialog.extended) {
            dialog.weight = in.u16();
            dialog.italic = in.u8();
            dialog.charset = in.u8();
        }
        dialog.faceName = utf8FromUtf16(in.text());
    }
    for (uint16_t i = 0; i < count && !in.bad; ++i) {
        DialogControl control;
        readControl(in, dialog.extended, control);
        dialog.controls.push_back(control);
    }
    if (in.bad) return std::nullopt;
    return dialog;
}

std::optional<std::vector<GroupIconEntry>> decodeGroupIcon(const std::vector<uint8_t>& data) {
    Cursor in(data);
    if (in.u16() != 0 || in.u16() != 1) return std::nullopt;
    uint16_t count = in.u16();
    std::vector<GroupIconEntry> entries;
    for (uint16_t i = 0; i < count && !in.bad; ++i) {
        GroupIconEntry entry;
        entry.width = in.u8();
        entry.height = in.u8();
        entry.colorCount = in.u8();
        in.u8();  // reserved
        entry.planes = in.u16();
        entry.bitCount = in.u16();
        entry.bytes = in.u32();
        entry.iconId = in.u16();
        entries.push_back(entry);
    }
    if (in.bad) return std::nullopt;
    return entries;
}

std::string VersionInfo::value(const std::string& key) const {
    for (const auto& [k, v] : strings) {
        if (k == key) return v;
    }
    return {};
}

std::optional<VersionInfo> decodeVersion(const std::vector<uint8_t>& data) {
    VersionInfo info;
    size_t next = 0;
    if (!readVersionNode(data, 0, data.size(), 0, u"", info, next)) return std::nullopt;
    return info;
}

}  // namespace tamrix::test
