#include "pack/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pack/interrupt_cleanup.h"

namespace tamrix::pack {

namespace {
constexpr size_t kBufferSize = 1 << 20;

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(const std::string& target, std::string* error) {
    discard();
    target_ = target;
    size_t slash = target.rfind('/');
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) {
        *error = "'" + target + "' names a folder, not a file";
        return false;
    }
    fd_ = createTemporary(&temporary_, error);
    if (fd_ < 0) return false;
    cleanupSlot_ = registerTemporary(AT_FDCWD, temporary_.c_str());
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    position_ = 0;
    errno_ = 0;
    return true;
}

int OutputFile::createTemporary(std::string* path, std::string* error) const {
    size_t slash = target_.rfind('/');
    std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = folderOf(target_) + "/." + base + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) {
        *error = "cannot create a file in '" + folderOf(target_) + "': " + std::strerror(errno);
        return -1;
    }
    *path = name.data();
    return fd;
}

bool OutputFile::transform(const Transform& make, std::string* error) {
    if (fd_ < 0 || errno_ || !flush()) {
        *error = failure();
        return false;
    }
    std::string made;
    int madeFd = createTemporary(&made, error);
    if (madeFd < 0) return false;
    const int madeSlot = registerTemporary(AT_FDCWD, made.c_str());
    if (!make(temporary_, made, error)) {
        ::close(madeFd);
        ::unlink(made.c_str());
        unregisterTemporary(madeSlot);
        return false;
    }
    // The maker may have replaced the file rather than written into it: reopen it by name.
    ::close(madeFd);
    int reopened = ::open(made.c_str(), O_RDWR | O_CLOEXEC);
    struct stat facts;
    if (reopened < 0 || fstat(reopened, &facts) != 0) {
        *error = "cannot read '" + made + "': " + std::strerror(errno);
        if (reopened >= 0) ::close(reopened);
        ::unlink(made.c_str());
        unregisterTemporary(madeSlot);
        return false;
    }
    ::close(fd_);
    ::unlink(temporary_.c_str());
    unregisterTemporary(cleanupSlot_);
    cleanupSlot_ = madeSlot;
    fd_ = reopened;
    temporary_ = made;
    position_ = uint64_t(facts.st_size);
    return true;
}

bool OutputFile::flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            errno_ = wrote < 0 ? errno : ENOSPC;
            return false;
        }
        done += size_t(wrote);
    }
    buffer_.clear();
    return true;
}

bool OutputFile::write(const void* data, size_t size) {
    if (fd_ < 0 || errno_) return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    position_ += size;
    while (size) {
        size_t take = std::min(size, kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), bytes, bytes + take);
        bytes += take;
        size -= take;
        if (buffer_.size() == kBufferSize && !flush()) return false;
    }
    return true;
}

bool OutputFile::writeAt(uint64_t offset, const void* data, size_t size) {
    if (fd_ < 0 || errno_ || !flush()) return false;
    if (offset + size > position_) {
        errno_ = EINVAL;
        return false;
    }
    ssize_t wrote = pwrite(fd_, data, size, off_t(offset));
    if (wrote != ssize_t(size)) {
        errno_ = wrote < 0 ? errno : ENOSPC;
        return false;
    }
    return true;
}

bool OutputFile::readAt(uint64_t offset, void* data, size_t size) {
    if (fd_ < 0 || errno_ || !flush()) return false;
    ssize_t got = pread(fd_, data, size, off_t(offset));
    if (got != ssize_t(size)) {
        errno_ = got < 0 ? errno : EIO;
        return false;
    }
    return true;
}

std::string OutputFile::failure() const {
    return "cannot write '" + target_ + "': " + std::strerror(errno_ ? errno_ : EIO);
}

bool OutputFile::commit(unsigned mode, std::string* error) {
    if (fd_ < 0 || errno_ || !flush()) {
        *error = failure();
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd_, mode & ~mask) != 0 || fsync(fd_) != 0) {
        *error = "cannot finish '" + target_ + "': " + std::strerror(errno);
        return false;
    }
    int result = ::close(fd_);
    fd_ = -1;
    if (result != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        *error = "cannot write '" + target_ + "': " + std::strerror(errno);
        discard();
        return false;
    }
    unregisterTemporary(cleanupSlot_);
    cleanupSlot_ = -1;
    temporary_.clear();
    return true;
}

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    unregisterTemporary(cleanupSlot_);
    cleanupSlot_ = -1;
    temporary_.clear();
    buffer_.clear();
}

}  // namespace tamrix::pack
