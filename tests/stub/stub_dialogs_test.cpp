// The stub's four dialog templates in English and Japanese: frame, caption, font and every
// control with its id, kind, place, size and text.
#include <cctype>

#include "resources/dialog_texts.h"
#include "tests/stub/built_stub.h"
#include "tests/support/resource_formats.h"

namespace tamrix::test {
namespace {

constexpr uint32_t kEnglish = 1033;
constexpr uint32_t kJapanese = 1041;

enum class Kind { Text, Edit, Button, DefaultButton, CheckBox, Icon, Progress };

struct Control {
    int32_t id;
    Kind kind;
    int16_t x, y, cx, cy;
    const char* text;
    uint16_t iconId = 0;
};

struct Dialog {
    uint32_t id;
    uint32_t language;
    int16_t cx, cy;
    const char* caption;  // null: no caption bar
    bool minimizeBox;
    std::vector<Control> controls;
};

// clang-format off
const std::vector<Dialog> kDialogs = {
    {103, kEnglish, 157, 39, nullptr, false,
     {{-1, Kind::Text, 7, 7, 79, 8, "CRC checking..."},
      {1004, Kind::Progress, 7, 24, 143, 8, ""}}},
    {103, kJapanese, 157, 39, nullptr, false,
     {{-1, Kind::Text, 7, 7, 79, 8, "CRC をチェックしています..."},
      {1004, Kind::Progress, 7, 24, 143, 8, ""}}},
    {202, kEnglish, 251, 78, "Confirm Extracting", true,
     {{-1, Kind::Text, 7, 7, 237, 13,
       "Please type the location where you want to place the extracted files."},
      {1001, Kind::Edit, 7, 27, 179, 14, ""},
      {1000, Kind::Button, 194, 26, 50, 14, "&Browse..."},
      {1012, Kind::CheckBox, 15, 45, 229, 10, "&Create folder as the archive name to extract"},
      {1, Kind::DefaultButton, 137, 57, 50, 14, "&OK"},
      {2, Kind::Button, 194, 57, 50, 14, "Cancel"}}},
    {202, kJapanese, 251, 76, "展開先の指定", true,
     {{-1, Kind::Text, 7, 7, 237, 13, "展開先のフォルダを指定してください(&F):"},
      {1001, Kind::Edit, 7, 27, 179, 14, ""},
      {1000, Kind::Button, 194, 26, 50, 14, "参照(&B)..."},
      {1012, Kind::CheckBox, 15, 47, 117, 10, "書庫名でフォルダを作成(&K)"},
      {1, Kind::DefaultButton, 137, 55, 50, 14, "OK"},
      {2, Kind::Button, 194, 55, 50, 14, "キャンセル"}}},
    {2007, kEnglish, 283, 151, "Confirm File Replace", false,
     {{-1, Kind::Icon, 7, 13, 20, 20, "", 205},
      {1009, Kind::Text, 50, 12, 226, 20, "'%s'"},
      {-1, Kind::Text, 38, 36, 147, 8, "Would you like to replace the existing file"},
      {1010, Kind::Icon, 48, 51, 20, 20, ""},
      {1005, Kind::Text, 93, 52, 183, 17, ""},
      {-1, Kind::Text, 38, 78, 120, 8, "with this one?"},
      {1011, Kind::Icon, 48, 93, 20, 20, ""},
      {1008, Kind::Text, 93, 93, 183, 17, ""},
      {6, Kind::DefaultButton, 7, 125, 49, 14, "&Yes"},
      {7, Kind::Button, 62, 125, 49, 14, "&No"},
      {1003, Kind::Button, 117, 125, 49, 14, "Yes to &All"},
      {1004, Kind::Button, 172, 125, 49, 14, "Newe&r"},
      {1007, Kind::Button, 227, 125, 49, 14, "&Cancel"}}},
    {2007, kJapanese, 283, 151, "ファイル上書きの確認", false,
     {{-1, Kind::Icon, 7, 13, 20, 20, "", 205},
      {1009, Kind::Text, 50, 12, 226, 20, "展開先には既に '%s' のファイルが存在します。"},
      {-1, Kind::Text, 38, 36, 45, 8, "現在のファイル"},
      {1010, Kind::Icon, 48, 51, 20, 20, ""},
      {1005, Kind::Text, 93, 52, 183, 17, ""},
      {-1, Kind::Text, 38, 78, 120, 8, "に新しい次のファイルを上書きしますか？"},
      {1011, Kind::Icon, 48, 93, 20, 20, ""},
      {1008, Kind::Text, 93, 93, 183, 17, ""},
      {6, Kind::DefaultButton, 7, 125, 49, 14, "はい(&Y)"},
      {7, Kind::Button, 58, 125, 49, 14, "いいえ(&N)"},
      {1003, Kind::Button, 109, 125, 49, 14, "全て上書き(&A)"},
      {1004, Kind::Button, 160, 125, 64, 14, "新しいもののみ(&U)"},
      {1007, Kind::Button, 227, 125, 49, 14, "キャンセル(&C)"}}},
    {2008, kEnglish, 251, 90, "Decompressing...", false,
     {{-1, Kind::Text, 7, 55, 42, 8, "Please wait..."},
      {1004, Kind::Progress, 7, 69, 179, 8, ""},
      {2, Kind::Button, 194, 69, 50, 14, "&Cancel"},
      {1006, Kind::Text, 41, 55, 203, 8, ""}}},
    {2008, kJapanese, 251, 90, "進捗状況", false,
     {{-1, Kind::Text, 7, 55, 25, 8, "展開中..."},
      {1004, Kind::Progress, 7, 69, 179, 8, ""},
      {2, Kind::Button, 194, 69, 50, 14, "キャンセル"},
      {1006, Kind::Text, 41, 55, 203, 8, ""}}},
};
// clang-format on

// Window and dialog style bits.
constexpr uint32_t kPopup = 0x80000000, kChild = 0x40000000, kVisible = 0x10000000;
constexpr uint32_t kCaption = 0xC00000, kBorder = 0x800000, kSysMenu = 0x80000;
constexpr uint32_t kMinimizeBox = 0x20000, kTabStop = 0x10000;
constexpr uint32_t kModalFrame = 0x80, kSetForeground = 0x200, kCenter = 0x800;
constexpr uint16_t kButtonClass = 0x80, kEditClass = 0x81, kStaticClass = 0x82;

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Predefined classes come as an ordinal or, from some resource compilers, by name.
void expectClass(uint16_t ordinal, const char* name, const DialogName& got) {
    if (got.ordinal) {
        EXPECT_EQ(ordinal, got.ordinal);
    } else {
        EXPECT_EQ(name, lower(got.text));
    }
}

void expectControl(const Control& want, const DialogControl& got) {
    SCOPED_TRACE(testing::Message() << "control " << want.id << " '" << want.text << "'");
    EXPECT_EQ(want.id, got.id);
    EXPECT_EQ(kChild | kVisible, got.style & (kChild | kVisible));
    EXPECT_EQ(want.x, got.x);
    EXPECT_EQ(want.y, got.y);
    EXPECT_EQ(want.cx, got.cx);
    EXPECT_EQ(want.cy, got.cy);
    if (want.iconId) {
        EXPECT_EQ(want.iconId, got.text.ordinal);
    } else {
        EXPECT_EQ(0, got.text.ordinal);
        EXPECT_EQ(want.text, got.text.text);
    }
    uint32_t low = got.style & 0x1F;  // the control's type within its class
    switch (want.kind) {
        case Kind::Text:
            expectClass(kStaticClass, "static", got.windowClass);
            EXPECT_EQ(0u, low);  // SS_LEFT
            break;
        case Kind::Icon:
            expectClass(kStaticClass, "static", got.windowClass);
            EXPECT_EQ(3u, low);  // SS_ICON
            break;
        case Kind::Edit:
            expectClass(kEditClass, "edit", got.windowClass);
            // Border, tab stop, horizontal auto-scroll.
            EXPECT_EQ(kBorder | kTabStop | 0x80u, got.style & (kBorder | kTabStop | 0x80u));
            break;
        case Kind::Button:
        case Kind::DefaultButton:
        case Kind::CheckBox:
            expectClass(kButtonClass, "button", got.windowClass);
            EXPECT_TRUE(got.style & kTabStop);
            EXPECT_EQ(want.kind == Kind::Button          ? 0u
                      : want.kind == Kind::DefaultButton ? 1u
                                                         : 3u,
                      low);  // BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX
            break;
        case Kind::Progress:
            expectClass(0, "msctls_progress32", got.windowClass);
            break;
    }
}

TEST_F(BuiltStubTest, DialogsMatchTheirLayoutInBothLanguages) {
    for (const Dialog& want : kDialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << want.id << " language " << want.language);
        const PeResource* data = resource(kResourceDialog, want.id, want.language);
        ASSERT_NE(nullptr, data);
        auto dialog = decodeDialog(data->data);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(want.cx, dialog->cx);
        EXPECT_EQ(want.cy, dialog->cy);

        uint32_t frame = kPopup | kModalFrame | kCenter | kSetForeground;
        if (want.caption) frame |= kCaption | kSysMenu;
        if (want.minimizeBox) frame |= kMinimizeBox;
        uint32_t checked = kPopup | kChild | kVisible | kCaption | kSysMenu | kMinimizeBox |
                           kModalFrame | kCenter | kSetForeground;
        EXPECT_EQ(frame, dialog->style & checked);
        EXPECT_EQ(want.caption ? want.caption : "", dialog->caption);

        EXPECT_EQ(9, dialog->pointSize);
        EXPECT_EQ(want.language == kEnglish ? "MS Shell DLG" : "ＭＳ Ｐゴシック", dialog->faceName);

        ASSERT_EQ(want.controls.size(), dialog->controls.size());
        for (size_t i = 0; i < want.controls.size(); ++i) {
            expectControl(want.controls[i], dialog->controls[i]);
        }
    }
}

// Every control that the program addresses by id, in both languages.
TEST_F(BuiltStubTest, DialogsHoldEveryAddressedControl) {
    const std::vector<std::pair<uint32_t, std::vector<int32_t>>> addressed = {
        {202, {1001, 1000, 1012, 1, 2}},
        {2007, {1005, 1008, 1009, 1010, 1011, 6, 7, 1003, 1004, 1007}},
        {2008, {1004, 1006, 2}},
        {103, {1004}},
    };
    for (uint32_t language : {kEnglish, kJapanese}) {
        for (const auto& [id, controls] : addressed) {
            const PeResource* data = resource(kResourceDialog, id, language);
            ASSERT_NE(nullptr, data) << id << " " << language;
            auto dialog = decodeDialog(data->data);
            ASSERT_TRUE(dialog);
            for (int32_t control : controls) {
                EXPECT_NE(nullptr, dialog->control(control))
                    << "dialog " << id << " language " << language << " control " << control;
            }
            // Control ids other than -1 are unique within a dialog.
            for (const DialogControl& c : dialog->controls) {
                if (c.id == -1) continue;
                EXPECT_EQ(&c, dialog->control(c.id)) << "dialog " << id << " repeats id " << c.id;
            }
        }
    }
}

// The Linux flow shows the same captions and name template as the stub's dialogs.
TEST_F(BuiltStubTest, LinuxDialogTextsMatchTheTemplates) {
    for (auto [language, code] :
         {std::pair{Language::English, kEnglish}, std::pair{Language::Japanese, kJapanese}}) {
        for (uint32_t id : {103u, 202u, 2007u, 2008u}) {
            SCOPED_TRACE(testing::Message() << "dialog " << id << " language " << code);
            auto dialog = decodeDialog(resource(kResourceDialog, id, code)->data);
            ASSERT_TRUE(dialog);
            const char* caption = dialogText(language, int(id), 0);
            ASSERT_NE(nullptr, caption);
            // The CRC box has no caption; its one text stands in for it.
            EXPECT_EQ(caption, id == 103 ? dialog->controls[0].text.text : dialog->caption);
        }
        auto replace = decodeDialog(resource(kResourceDialog, 2007, code)->data);
        ASSERT_TRUE(replace && replace->control(1009));
        EXPECT_EQ(dialogText(language, 2007, 1009), replace->control(1009)->text.text);
    }
}

}  // namespace
}  // namespace tamrix::test
