#include "tests/support/temp_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tamrix::test {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tamrix-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
}

TempFolder::~TempFolder() {
    std::error_code error;
    // Read-only files and folders made by a test must not stop the clean-up.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
        ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
    }
    std::filesystem::remove_all(path_, error);
}

std::string TempFolder::windows(const std::string& name) const {
    std::string result = "Z:" + path_ + (name.empty() ? "" : "/" + name);
    for (char& c : result) {
        if (c == '/') c = '\\';
    }
    return result;
}

std::vector<uint8_t> readFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& hostPath, const std::vector<uint8_t>& bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + hostPath);
}

bool fileExists(const std::string& hostPath) {
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0;
}

std::string builtStubPath() {
    const char* path = std::getenv("TAMRIX_STUB");
    if (!path || !*path) return "";
    // The test command always names the stub it built: a wrong or stale name fails every check on
    // the stub instead of quietly skipping them or packing without it.
    if (!fileExists(path)) {
        throw std::runtime_error(std::string("TAMRIX_STUB names ") + path +
                                 ", which is not there: build the win32 preset first");
    }
    return path;
}

}  // namespace tamrix::test
