// Reads the files of one folder back to back and hands out its stream in frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/cabinet_entry.h"

namespace tamrix::pack {

class FolderStream {
  public:
    // The files entries[first .. first + count), read from `offset` bytes into their stream.
    FolderStream(const std::vector<CabinetEntry>& entries, size_t first, size_t count,
                 uint64_t offset = 0);
    ~FolderStream();
    FolderStream(const FolderStream&) = delete;
    FolderStream& operator=(const FolderStream&) = delete;

    // Fills frame with up to `limit` bytes; *size 0 at the end of the folder. Each file must
    // still have the size it had when it was gathered: a file that now ends earlier or later
    // fails the read once it is reached.
    bool read(uint8_t* frame, uint32_t limit, uint32_t* size, std::string* error);

  private:
    bool openNext(std::string* error);
    bool changed(std::string* error);
    void closeFile();

    const std::vector<CabinetEntry>& entries_;
    size_t next_;
    size_t end_;
    uint64_t skip_;  // bytes of the stream still to pass over before the first read
    const CabinetEntry* current_ = nullptr;
    uint64_t left_ = 0;
    int fd_ = -1;
};

}  // namespace tamrix::pack
