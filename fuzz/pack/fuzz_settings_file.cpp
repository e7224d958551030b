// The input is a settings file. Whatever it holds, the reader does not crash; what it reads, the
// writer's lines give back exactly: every key and value it returns, written again one line each,
// reads back as the same keys and values. The whole input taken as one value does too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pack/package_settings.h"

namespace {

using tamrix::pack::SettingLine;

// One file for the whole process (the reader takes a path), removed at exit.
const std::string& scratchPath() {
    static const std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/settings-fuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        ::close(fd);
        return pattern;
    }();
    static const bool removed = std::atexit([] { ::unlink(scratchPath().c_str()); }) == 0;
    (void)removed;
    return path;
}

bool readBack(const std::string& text, std::vector<SettingLine>* lines, std::string* error) {
    std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (!file) std::abort();
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) std::abort();
    std::fclose(file);
    lines->clear();
    return tamrix::pack::readSettingsFile(scratchPath(), lines, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<SettingLine> read;
    std::string error;
    std::string rewritten;
    // A file refused part-way leaves the lines before the fault, which callers do not use.
    if (!readBack(input, &read, &error)) read.clear();
    int previous = 0;
    for (const SettingLine& line : read) {
        if (line.line <= previous || line.key.empty()) __builtin_trap();
        previous = line.line;
        rewritten += tamrix::pack::settingLine(line.key, line.value);
    }
    rewritten += tamrix::pack::settingLine("question", input);
    std::vector<SettingLine> again;
    if (!readBack(rewritten, &again, &error) || again.size() != read.size() + 1) __builtin_trap();
    for (size_t i = 0; i < read.size(); ++i) {
        if (again[i].key != read[i].key || again[i].value != read[i].value) __builtin_trap();
    }
    if (again.back().value != input) __builtin_trap();
    return 0;
}
