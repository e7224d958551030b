#include "tools/package_facts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "app/crc_check.h"
#include "platform/files.h"
#include "tools/cabinet_locator.h"
#include "tools/host_file.h"

namespace tamrix::tool {

namespace {

// As much of the file as the stub's headers can span: 64 KiB of DOS stub and PE header, then a
// section table of up to 65,535 entries.
constexpr size_t kHeaderSpan = 0x10000 + 248 + 65535u * 40;

bool readAt(int fd, uint64_t offset, void* out, size_t size, size_t* got) {
    *got = 0;
    while (*got < size) {
        ssize_t n = pread(fd, static_cast<uint8_t*>(out) + *got, size - *got, off_t(offset + *got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        *got += size_t(n);
    }
    return true;
}

// The CRC the stub computes over the range: the same update, read piece by piece.
bool crcOfRange(int fd, CrcRange range, uint32_t* crc) {
    std::vector<uint8_t> piece(1 << 16);
    uint32_t running = 0xFFFFFFFF;
    for (uint64_t offset = range.start; offset < range.end;) {
        size_t want = size_t(std::min<uint64_t>(piece.size(), range.end - offset));
        size_t got = 0;
        if (!readAt(fd, offset, piece.data(), want, &got)) return false;
        if (got == 0) break;
        running = updateCrc32(running, piece.data(), uint32_t(got));
        offset += got;
    }
    *crc = ~running;
    return true;
}

bool readHeader(const char* hostPath, uint32_t imageEnd, PackageHeader* header) {
    std::string path = windowsPathOf(hostPath);
    int32_t file = path.empty() ? -1 : platform::fileOpen(path.c_str(), platform::kOpenBinary, 0);
    if (file == -1) return false;
    bool valid = readPackageHeader(file, imageEnd, header);
    platform::fileClose(file);
    return valid;
}

}  // namespace

bool readPackageFacts(const char* hostPath, PackageFacts* facts, std::string* error) {
    int fd = ::open(hostPath, O_RDONLY | O_CLOEXEC);
    struct stat status;
    const char* problem = fd < 0 || fstat(fd, &status) != 0 ? std::strerror(errno)
                          : !S_ISREG(status.st_mode)        ? "not a regular file"
                                                            : nullptr;
    if (problem) {
        *error = std::string("cannot read ") + hostPath + ": " + problem;
        if (fd >= 0) ::close(fd);
        return false;
    }
    *facts = PackageFacts();
    facts->fileSize = uint64_t(status.st_size);
    // Only an executable's headers are read whole: a plain cabinet would pay for megabytes of
    // section table room that it does not have.
    uint8_t magic[2] = {};
    size_t got = 0;
    bool ok = readAt(fd, 0, magic, sizeof magic, &got);
    facts->executable = ok && got == sizeof magic && magic[0] == 'M' && magic[1] == 'Z';
    if (facts->executable) {
        std::vector<uint8_t> headers(std::min<uint64_t>(kHeaderSpan, facts->fileSize));
        ok = readAt(fd, 0, headers.data(), headers.size(), &got);
        headers.resize(got);
        facts->imageEnd = findImageEnd(headers.data(), uint32_t(headers.size()));
        facts->certificate = findCertificateTable(headers.data(), uint32_t(headers.size()));
        uint32_t size = facts->fileSize > UINT32_MAX ? UINT32_MAX : uint32_t(facts->fileSize);
        facts->crcRange = packageCrcRange(facts->imageEnd, facts->certificate, size);
        facts->headerValid = readHeader(hostPath, facts->imageEnd, &facts->header);
        facts->crcChecked = facts->headerValid && facts->header.cabinetCrc != 0;
        if (facts->crcChecked) {
            ok = ok && crcOfRange(fd, facts->crcRange, &facts->computedCrc);
            facts->crcValid = facts->computedCrc == facts->header.cabinetCrc;
        }
    }
    facts->cabinetOffset = findCabinetOffset(fd);
    ::close(fd);
    if (!ok) {
        *error = std::string("cannot read ") + hostPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace tamrix::tool
