#include "pack/folder_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tamrix::pack {

FolderStream::FolderStream(const std::vector<CabinetEntry>& entries, size_t first, size_t count,
                           uint64_t offset)
    : entries_(entries), next_(first), end_(first + count), skip_(offset) {
    // Files wholly before the offset are never opened.
    while (next_ < end_ && skip_ >= entries_[next_].size && skip_ != 0) {
        skip_ -= entries_[next_].size;
        ++next_;
    }
}

FolderStream::~FolderStream() {
    closeFile();
}

bool FolderStream::read(uint8_t* frame, uint32_t limit, uint32_t* size, std::string* error) {
    *size = 0;
    while (*size < limit) {
        if (fd_ < 0) {
            if (next_ == end_) return true;
            if (!openNext(error)) return false;
            continue;
        }
        const uint64_t want = std::min<uint64_t>(limit - *size, left_);
        if (want == 0) {
            // The file must end where it ended when it was gathered.
            uint8_t probe;
            const ssize_t extra = ::read(fd_, &probe, 1);
            if (extra < 0 && errno == EINTR) continue;
            if (extra != 0) return changed(error);
            closeFile();
            continue;
        }
        const ssize_t got = ::read(fd_, frame + *size, size_t(want));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *error = "cannot read '" + current_->sourcePath + "': " + std::strerror(errno);
            return false;
        }
        if (got == 0) return changed(error);
        *size += uint32_t(got);
        left_ -= uint64_t(got);
    }
    return true;
}

bool FolderStream::openNext(std::string* error) {
    current_ = &entries_[next_++];
    left_ = current_->size;
    fd_ = ::open(current_->sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        *error = "cannot open '" + current_->sourcePath + "': " + std::strerror(errno);
        return false;
    }
    if (skip_ != 0) {
        if (::lseek(fd_, off_t(skip_), SEEK_SET) < 0) {
            *error = "cannot read '" + current_->sourcePath + "': " + std::strerror(errno);
            return false;
        }
        left_ -= skip_;
        skip_ = 0;
    }
    return true;
}

bool FolderStream::changed(std::string* error) {
    *error = "'" + current_->sourcePath + "' changed while it was being packed";
    return false;
}

void FolderStream::closeFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace tamrix::pack
