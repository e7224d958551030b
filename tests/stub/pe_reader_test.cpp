// The readers behind the stub checks: they must decode what they are given and never read past
// it, whatever the bytes.
#include "tests/stub/built_stub.h"
#include "tests/support/byte_fields.h"
#include "tests/support/resource_formats.h"

namespace tamrix::test {
namespace {

void putText(std::vector<uint8_t>& out, const std::u16string& text) {
    for (char16_t c : text) append16(out, c);
    append16(out, 0);
}

// A plain (not extended) template: caption, font and two controls, one with a class name.
std::vector<uint8_t> plainDialog() {
    std::vector<uint8_t> t;
    append32(t, 0x80C800C0);  // popup, caption, system menu, modal frame, set font
    append32(t, 0);
    append16(t, 2);
    for (int16_t v : {0, 0, 120, 40}) append16(t, uint16_t(v));
    append16(t, 0);  // no menu
    append16(t, 0);  // default class
    putText(t, u"Title");
    append16(t, 8);
    putText(t, u"MS Shell Dlg");
    while (t.size() % 4) t.push_back(0);
    append32(t, 0x50010001);  // default push button
    append32(t, 0);
    for (int16_t v : {5, 6, 50, 14}) append16(t, uint16_t(v));
    append16(t, 1);
    append16(t, 0xFFFF);
    append16(t, 0x80);
    putText(t, u"&OK");
    append16(t, 0);
    while (t.size() % 4) t.push_back(0);
    append32(t, 0x50000000);
    append32(t, 0);
    for (int16_t v : {5, 24, 100, 8}) append16(t, uint16_t(v));
    append16(t, 0xFFFF);  // id -1 as a 16-bit word
    putText(t, u"msctls_progress32");
    append16(t, 0);
    append16(t, 0);
    return t;
}

TEST(ResourceFormats, DecodesAPlainDialogTemplate) {
    auto dialog = decodeDialog(plainDialog());
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->extended);
    EXPECT_EQ(120, dialog->cx);
    EXPECT_EQ("Title", dialog->caption);
    EXPECT_EQ(8, dialog->pointSize);
    EXPECT_EQ("MS Shell Dlg", dialog->faceName);
    ASSERT_EQ(2u, dialog->controls.size());
    EXPECT_EQ(1, dialog->controls[0].id);
    EXPECT_EQ(0x80, dialog->controls[0].windowClass.ordinal);
    EXPECT_EQ("&OK", dialog->controls[0].text.text);
    EXPECT_EQ(-1, dialog->controls[1].id);
    EXPECT_EQ("msctls_progress32", dialog->controls[1].windowClass.text);
}

TEST(ResourceFormats, RefusesCutResources) {
    std::vector<uint8_t> dialog = plainDialog();
    for (size_t size = 0; size < dialog.size() - 4; ++size) {
        std::vector<uint8_t> cut(dialog.begin(), dialog.begin() + size);
        EXPECT_FALSE(decodeDialog(cut)) << size;
    }
    // String 3 announces two characters; the block ends one word early.
    auto block = [](std::u16string third) {
        std::vector<uint8_t> out;
        for (int i = 0; i < 3; ++i) append16(out, 0);
        append16(out, 2);
        for (char16_t c : third) append16(out, c);
        for (int i = 4; i < 16; ++i) append16(out, 0);
        return out;
    };
    EXPECT_FALSE(decodeStringBlock(block(u"a")));
    auto strings = decodeStringBlock(block(u"ab"));
    ASSERT_TRUE(strings);
    EXPECT_EQ("ab", (*strings)[3]);
    EXPECT_FALSE(decodeGroupIcon({0, 0, 1, 0, 1, 0, 32, 32}));
    EXPECT_FALSE(decodeVersion({0x40, 0, 0, 0, 0, 0}));
}

TEST(ResourceFormats, Utf8FromUtf16CoversEveryLength) {
    EXPECT_EQ("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80", utf8FromUtf16(u"a\u00E9\u3042\U0001F600"));
}

// Every cut of the built stub, and every resource-directory byte overwritten, must parse without
// a read outside the image (the sanitizer build turns one into a failure).
TEST_F(BuiltStubTest, ReaderStaysInsideDamagedImages) {
    const std::vector<uint8_t>& bytes = stub->bytes;
    for (size_t size = 0; size < bytes.size(); size += 509) {
        PeReader cut(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size));
        cut.imports();
        for (const PeResource& r : cut.resources()) decodeDialog(r.data);
    }
    PeReader::Directory rsrc = stub->reader.directory(kResourceDirectory);
    const uint8_t* start = stub->reader.at(rsrc.rva, 1);
    ASSERT_NE(nullptr, start);
    size_t offset = size_t(start - bytes.data());
    for (size_t at = offset; at < offset + 0x200 && at < bytes.size(); ++at) {
        std::vector<uint8_t> damaged = bytes;
        damaged[at] ^= 0xFF;
        for (const PeResource& r : PeReader(damaged).resources()) {
            decodeDialog(r.data);
            decodeStringBlock(r.data);
            decodeGroupIcon(r.data);
            decodeVersion(r.data);
        }
    }
}

}  // namespace
}  // namespace tamrix::test
