// The stub's four dialog templates in English and Japanese: frame, caption, font and every
// control with its id, kind, place, size and text.
#include <cctype>

#include "platform/ui.h"
#include "resources/dialog_texts.h"
#include "resources/resource.h"
#include "tests/stub/built_stub.h"
#include "tests/support/resource_formats.h"

namespace tamrix::test {
namespace {

using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;

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
    {IDD_CRC_CHECK, kEnglish, 157, 39, nullptr, false,
     {{IDC_STATIC, Kind::Text, 7, 7, 79, 8, "CRC checking..."},
      {IDC_CRC_BAR, Kind::Progress, 7, 24, 143, 8, ""}}},
    {IDD_CRC_CHECK, kJapanese, 157, 39, nullptr, false,
     {{IDC_STATIC, Kind::Text, 7, 7, 79, 8, "CRC をチェックしています..."},
      {IDC_CRC_BAR, Kind::Progress, 7, 24, 143, 8, ""}}},
    {IDD_DESTINATION, kEnglish, 251, 78, "Confirm Extracting", true,
     {{IDC_STATIC, Kind::Text, 7, 7, 237, 13,
       "Please type the location where you want to place the extracted files."},
      {IDC_DESTINATION_EDIT, Kind::Edit, 7, 27, 179, 14, ""},
      {IDC_DESTINATION_BROWSE, Kind::Button, 194, 26, 50, 14, "&Browse..."},
      {IDC_DESTINATION_ARCHIVE_FOLDER, Kind::CheckBox, 15, 45, 229, 10,
       "&Create folder as the archive name to extract"},
      {kIdOk, Kind::DefaultButton, 137, 57, 50, 14, "&OK"},
      {kIdCancel, Kind::Button, 194, 57, 50, 14, "Cancel"}}},
    {IDD_DESTINATION, kJapanese, 251, 76, "展開先の指定", true,
     {{IDC_STATIC, Kind::Text, 7, 7, 237, 13, "展開先のフォルダを指定してください(&F):"},
      {IDC_DESTINATION_EDIT, Kind::Edit, 7, 27, 179, 14, ""},
      {IDC_DESTINATION_BROWSE, Kind::Button, 194, 26, 50, 14, "参照(&B)..."},
      {IDC_DESTINATION_ARCHIVE_FOLDER, Kind::CheckBox, 15, 47, 117, 10, "書庫名でフォルダを作成(&K)"},
      {kIdOk, Kind::DefaultButton, 137, 55, 50, 14, "OK"},
      {kIdCancel, Kind::Button, 194, 55, 50, 14, "キャンセル"}}},
    {IDD_REPLACE, kEnglish, 283, 151, "Confirm File Replace", false,
     {{IDC_STATIC, Kind::Icon, 7, 13, 20, 20, "", IDI_REPLACE},
      {IDC_REPLACE_NAME, Kind::Text, 50, 12, 226, 20, "'%s'"},
      {IDC_STATIC, Kind::Text, 38, 36, 147, 8, "Would you like to replace the existing file"},
      {IDC_REPLACE_EXISTING_ICON, Kind::Icon, 48, 51, 20, 20, ""},
      {IDC_REPLACE_EXISTING_DETAILS, Kind::Text, 93, 52, 183, 17, ""},
      {IDC_STATIC, Kind::Text, 38, 78, 120, 8, "with this one?"},
      {IDC_REPLACE_NEW_ICON, Kind::Icon, 48, 93, 20, 20, ""},
      {IDC_REPLACE_NEW_DETAILS, Kind::Text, 93, 93, 183, 17, ""},
      {kIdYes, Kind::DefaultButton, 7, 125, 49, 14, "&Yes"},
      {kIdNo, Kind::Button, 62, 125, 49, 14, "&No"},
      {IDC_REPLACE_YES_TO_ALL, Kind::Button, 117, 125, 49, 14, "Yes to &All"},
      {IDC_REPLACE_NEWER, Kind::Button, 172, 125, 49, 14, "Newe&r"},
      {IDC_REPLACE_CANCEL, Kind::Button, 227, 125, 49, 14, "&Cancel"}}},
    {IDD_REPLACE, kJapanese, 283, 151, "ファイル上書きの確認", false,
     {{IDC_STATIC, Kind::Icon, 7, 13, 20, 20, "", IDI_REPLACE},
      {IDC_REPLACE_NAME, Kind::Text, 50, 12, 226, 20, "展開先には既に '%s' のファイルが存在します。"},
      {IDC_STATIC, Kind::Text, 38, 36, 45, 8, "現在のファイル"},
      {IDC_REPLACE_EXISTING_ICON, Kind::Icon, 48, 51, 20, 20, ""},
      {IDC_REPLACE_EXISTING_DETAILS, Kind::Text, 93, 52, 183, 17, ""},
      {IDC_STATIC, Kind::Text, 38, 78, 120, 8, "に新しい次のファイルを上書きしますか？"},
      {IDC_REPLACE_NEW_ICON, Kind::Icon, 48, 93, 20, 20, ""},
      {IDC_REPLACE_NEW_DETAILS, Kind::Text, 93, 93, 183, 17, ""},
      {kIdYes, Kind::DefaultButton, 7, 125, 49, 14, "はい(&Y)"},
      {kIdNo, Kind::Button, 58, 125, 49, 14, "いいえ(&N)"},
      {IDC_REPLACE_YES_TO_ALL, Kind::Button, 109, 125, 49, 14, "全て上書き(&A)"},
      {IDC_REPLACE_NEWER, Kind::Button, 160, 125, 64, 14, "新しいもののみ(&U)"},
      {IDC_REPLACE_CANCEL, Kind::Button, 227, 125, 49, 14, "キャンセル(&C)"}}},
    {IDD_PROGRESS, kEnglish, 251, 90, "Decompressing...", false,
     {{IDC_STATIC, Kind::Text, 7, 55, 42, 8, "Please wait..."},
      {IDC_PROGRESS_BAR, Kind::Progress, 7, 69, 179, 8, ""},
      {kIdCancel, Kind::Button, 194, 69, 50, 14, "&Cancel"},
      {IDC_PROGRESS_FILE_NAME, Kind::Text, 41, 55, 203, 8, ""}}},
    {IDD_PROGRESS, kJapanese, 251, 90, "進捗状況", false,
     {{IDC_STATIC, Kind::Text, 7, 55, 25, 8, "展開中..."},
      {IDC_PROGRESS_BAR, Kind::Progress, 7, 69, 179, 8, ""},
      {kIdCancel, Kind::Button, 194, 69, 50, 14, "キャンセル"},
      {IDC_PROGRESS_FILE_NAME, Kind::Text, 41, 55, 203, 8, ""}}},
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
        {IDD_DESTINATION,
         {IDC_DESTINATION_EDIT, IDC_DESTINATION_BROWSE, IDC_DESTINATION_ARCHIVE_FOLDER, kIdOk,
          kIdCancel}},
        {IDD_REPLACE,
         {IDC_REPLACE_EXISTING_DETAILS, IDC_REPLACE_NEW_DETAILS, IDC_REPLACE_NAME,
          IDC_REPLACE_EXISTING_ICON, IDC_REPLACE_NEW_ICON, kIdYes, kIdNo, IDC_REPLACE_YES_TO_ALL,
          IDC_REPLACE_NEWER, IDC_REPLACE_CANCEL}},
        {IDD_PROGRESS, {IDC_PROGRESS_BAR, IDC_PROGRESS_FILE_NAME, kIdCancel}},
        {IDD_CRC_CHECK, {IDC_CRC_BAR}},
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

// The Linux flow shows the same captions and texts as the stub's dialogs: every entry of its table,
// and a caption for every dialog.
TEST_F(BuiltStubTest, LinuxDialogTextsMatchTheTemplates) {
    for (auto [language, code] :
         {std::pair{Language::English, kEnglish}, std::pair{Language::Japanese, kJapanese}}) {
        for (const DialogText& entry : dialogTexts()) {
            SCOPED_TRACE(testing::Message() << "dialog " << entry.templateId << " control "
                                            << entry.controlId << " language " << code);
            const PeResource* data = resource(kResourceDialog, uint32_t(entry.templateId), code);
            ASSERT_NE(nullptr, data);
            auto dialog = decodeDialog(data->data);
            ASSERT_TRUE(dialog);
            std::string want = language == Language::Japanese ? entry.japanese : entry.english;
            if (entry.controlId != 0) {
                ASSERT_NE(nullptr, dialog->control(entry.controlId));
                EXPECT_EQ(want, dialog->control(entry.controlId)->text.text);
            } else if (entry.templateId == IDD_CRC_CHECK) {
                // The CRC box has no caption; its one text stands in for it.
                EXPECT_EQ(want, dialog->controls.at(0).text.text);
            } else {
                EXPECT_EQ(want, dialog->caption);
            }
        }
        for (int id : {IDD_CRC_CHECK, IDD_DESTINATION, IDD_REPLACE, IDD_PROGRESS}) {
            EXPECT_NE(nullptr, dialogText(language, id, 0)) << "dialog " << id;
        }
        EXPECT_NE(nullptr, dialogText(language, IDD_REPLACE, IDC_REPLACE_NAME));
    }
}

}  // namespace
}  // namespace tamrix::test
