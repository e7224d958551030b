// The output of `tamrix info`: "key: value" lines, or one JSON object with the same keys. Texts
// are UTF-8; in lines their control characters are escaped (\n, \t, \xHH), so a text can never
// start a line of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/display_text.h"

namespace tamrix::tool {

class InfoReport {
  public:
    InfoReport(FILE* out, bool json);

    void text(const char* key, const std::string& utf8);
    void number(const char* key, uint64_t value);
    void flag(const char* key, bool value);  // yes/no, true/false
    // A value that is shown differently in the two forms (JSON given ready-made).
    void literal(const char* key, const std::string& line, const std::string& json);

    // A list of records: in lines each field is "key.INDEX.field".
    void beginList(const char* key);
    void beginItem();
    void endItem();
    void endList();

    // Ends the JSON object; nothing for lines.
    void finish();

  private:
    void put(const char* key, const std::string& line, const std::string& json);

    FILE* out_;
    bool json_;
    std::string prefix_;           // lines: the key path of the current record
    std::vector<bool> first_;      // JSON: nothing written yet at each level
    std::vector<unsigned> items_;  // lines: the index of the next record in each open list
};

// The text as a JSON string literal, with its quotes.
std::string jsonString(const std::string& utf8);

}  // namespace tamrix::tool
