// A private temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::test {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Host path of the folder, without a trailing slash.
    const std::string& path() const { return path_; }
    // Host path of a name inside it.
    std::string host(const std::string& name) const { return path_ + "/" + name; }
    // The same in the stub's view of paths: "Z:\tmp\...\name".
    std::string windows(const std::string& name = "") const;

  private:
    std::string path_;
};

std::vector<uint8_t> readFile(const std::string& hostPath);
void writeFile(const std::string& hostPath, const std::vector<uint8_t>& bytes);
bool fileExists(const std::string& hostPath);

// Path of the built stub from the TAMRIX_STUB environment variable, or empty when it is not set.
// Throws when it names a file that is not there, so that the checks on the stub fail.
std::string builtStubPath();

}  // namespace tamrix::test
