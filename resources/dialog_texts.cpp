#include "resources/dialog_texts.h"


namespace tamrix {

namespace {

struct DialogText {
    int templateId;
    int controlId;
    const char* english;
    const char* japanese;
};

constexpr DialogText kDialogTexts[] = {
    // The CRC box has no caption: its one text stands in for it.
    {103, 0, "CRC checking...", "CRC をチェックしています..."},
    {202, 0, "Confirm Extracting", "展開先の指定"},
    {2007, 0, "Confirm File Replace", "ファイル上書きの確認"},
    {2007, 1009, "'%s'", "展開先には既に '%s' のファイルが存在します。"},
    {2008, 0, "Decompressing...", "進捗状況"},
};

}  // namespace

const char* dialogText(Language language, int templateId, int controlId) {
    for (const DialogText& text : kDialogTexts) {
        if (text.templateId == templateId && text.controlId == controlId) {
            return language == Language::Japanese ? text.japanese : text.english;
        }
    }
    return nullptr;
}

}  // namespace tamrix
