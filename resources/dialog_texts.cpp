#include "resources/dialog_texts.h"

namespace tamrix {

namespace {

constexpr DialogText kDialogTexts[] = {
    // The CRC box has no caption: its one text stands in for it.
    {IDD_CRC_CHECK, 0, "CRC checking...", "CRC をチェックしています..."},
    {IDD_DESTINATION, 0, "Confirm Extracting", "展開先の指定"},
    {IDD_REPLACE, 0, "Confirm File Replace", "ファイル上書きの確認"},
    {IDD_REPLACE, IDC_REPLACE_NAME, "'%s'", "展開先には既に '%s' のファイルが存在します。"},
    {IDD_PROGRESS, 0, "Decompressing...", "進捗状況"},
};

}  // namespace

std::span<const DialogText> dialogTexts() {
    return kDialogTexts;
}

const char* dialogText(Language language, int templateId, int controlId) {
    for (const DialogText& text : kDialogTexts) {
        if (text.templateId == templateId && text.controlId == controlId) {
            return language == Language::Japanese ? text.japanese : text.english;
        }
    }
    return nullptr;
}

}  // namespace tamrix
