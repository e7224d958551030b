#include "tests/setup/script_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_folder.h"

namespace tamrix::test {

void writeScript(const std::string& hostPath, const std::string& body) {
    std::string text = "#!/bin/sh\n" + body + "\n";
    writeFile(hostPath, std::vector<uint8_t>(text.begin(), text.end()));
    ::chmod(hostPath.c_str(), 0755);
}

std::string reportingBody(const std::string& reportPath, const std::string& before) {
    return before + "\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
           reportPath + ".part' && /bin/mv '" + reportPath + ".part' '" + reportPath + "'";
}

std::vector<std::string> readLines(const std::string& hostPath) {
    std::vector<std::string> lines;
    std::ifstream in(hostPath);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string physical(const std::string& hostPath) {
    return std::filesystem::canonical(hostPath).string();
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (old) saved_ = old;
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (had_) {
        ::setenv(name_.c_str(), saved_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

}  // namespace tamrix::test
