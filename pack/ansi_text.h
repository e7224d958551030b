// Texts for the stub's world: names and header strings go into the package in a Windows ANSI
// code page, converted from the UTF-8 of the command line and the file system.
#pragma once

#include <string>

namespace tamrix::pack {

// The number that stands for UTF-8 ("--codepage utf-8"): names are then written as UTF-8 with
// the cabinet's UTF-8 name attribute, header texts as they are.
constexpr int kUtf8CodePage = 65001;

// True when the bytes are well-formed UTF-8.
bool isUtf8(const std::string& text);

class AnsiText {
  public:
    // codePage: 1252, 932, ... (any "CPnnnn" the C library's iconv knows).
    explicit AnsiText(int codePage = 1252);
    ~AnsiText();
    AnsiText(const AnsiText&) = delete;
    AnsiText& operator=(const AnsiText&) = delete;

    bool valid() const;
    int codePage() const { return codePage_; }

    // False when the text is not UTF-8 or has a character the code page cannot hold.
    bool fromUtf8(const std::string& utf8, std::string* ansi);

  private:
    int codePage_;
    void* converter_;
};

}  // namespace tamrix::pack
