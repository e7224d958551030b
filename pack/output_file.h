// A file written under a temporary name in its target's folder and renamed into place only when
// it is complete, so a failed build never leaves a half-written file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tamrix::pack {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& target, std::string* error);
    bool write(const void* data, size_t size);
    // Overwrites bytes already written (after flushing what is buffered).
    bool writeAt(uint64_t offset, const void* data, size_t size);
    bool readAt(uint64_t offset, void* data, size_t size);
    uint64_t position() const { return position_; }
    // Why the last write or read failed.
    std::string failure() const;

    // Replaces what has been written by what `make` writes from it into a second temporary file
    // beside it (both paths given); the second file then takes the first one's place. On failure
    // both are removed. Used for programs that rewrite a file, such as a code signer.
    using Transform =
        std::function<bool(const std::string& in, const std::string& out, std::string* error)>;
    bool transform(const Transform& make, std::string* error);

    // Flushes, gives the file `mode` less the umask, and renames it to the target.
    bool commit(unsigned mode, std::string* error);
    void discard();

    const std::string& temporaryPath() const { return temporary_; }

  private:
    bool flush();
    int createTemporary(std::string* path, std::string* error) const;

    int fd_ = -1;
    std::string target_;
    std::string temporary_;
    std::vector<uint8_t> buffer_;
    uint64_t position_ = 0;
    int errno_ = 0;
    int cleanupSlot_ = -1;  // removal of the temporary file on Ctrl-C or SIGTERM
};

}  // namespace tamrix::pack
