#include "tools/cabinet_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "tools/cabinet_locator.h"
#include "tools/display_text.h"

namespace tamrix::tool {

namespace {

// The callbacks carry no user pointer, so their state lives here (one session at a time).
struct CallbackState {
    int directoryFd = -1;          // folder of the cabinets: names are opened relative to it
    int64_t cabinetOffset = 0;     // added to absolute seeks of cabinet handles opened while set
    std::map<int, int64_t> bases;  // cabinet handle -> offset of its cabinet in the file
    DiscardTarget discardTarget = nullptr;
    // Progress: bytes read from the current cabinet against its size.
    bool progress = false;
    uint64_t bytesRead = 0;
    uint64_t cabinetSize = 0;
    int shownPercent = -1;
    std::string cabinetName;
};
CallbackState state;

// What the handler learns while a copy runs.
struct CopyState {
    const FileEvents* events = nullptr;
    bool firstOpen = true;
    std::string nextCabinet;  // named by the cabinet this copy started with
    uint16_t setId = 0;
    uint16_t cabinetIndex = 0;
    bool hasExpected = false;  // a set continues: the cabinet's set id and index are checked
    uint16_t expectedSetId = 0;
    uint16_t expectedIndex = 0;
    int32_t neededError = Ok;  // the failed attempt at a next cabinet
    std::string neededName;
    std::string currentFile;
    std::string abortReason;
};
CopyState* current = nullptr;

void showProgress() {
    if (!state.progress || state.cabinetSize == 0) return;
    uint64_t done = state.bytesRead < state.cabinetSize ? state.bytesRead : state.cabinetSize;
    const int percent = int(done * 100 / state.cabinetSize);
    if (percent == state.shownPercent) return;
    state.shownPercent = percent;
    constexpr int kWidth = 30;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) bar[i] = i < percent * kWidth / 100 ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%% %s", bar, percent, state.cabinetName.c_str());
    std::fflush(stderr);
}

void clearProgress() {
    if (state.progress && state.shownPercent >= 0) std::fputs("\r\033[K", stderr);
    state.shownPercent = -1;
}

void* allocMemory(uint32_t size) {
    return std::malloc(size ? size : 1);
}
void freeMemory(void* block) {
    std::free(block);
}

// The Quantum codec asks for a spill file with a path whose first byte is '*'.
int32_t openSpillFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/tamrix-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) return -1;
    unlink(pattern.c_str());
    return fd;
}

int32_t openFile(const char* path, int32_t flags, int32_t mode) {
    if (path[0] == '*') return openSpillFile();
    int native = (flags & kOpenCreate) ? O_CREAT : 0;
    native |= (flags & 3) == 1 ? O_WRONLY : (flags & 3) == 2 ? O_RDWR : O_RDONLY;
    int fd = openat(state.directoryFd, path, native | O_CLOEXEC, mode & 0777);
    if (fd < 0) return -1;
    if ((flags & 3) == 0 && state.cabinetOffset != 0) {
        if (lseek(fd, state.cabinetOffset, SEEK_SET) < 0) {
            close(fd);
            return -1;
        }
        state.bases[fd] = state.cabinetOffset;
    }
    return fd;
}

int32_t readFile(int32_t handle, void* buffer, uint32_t count) {
    ssize_t total = 0;
    while (total < ssize_t(count)) {
        ssize_t got = read(handle, static_cast<char*>(buffer) + total, count - size_t(total));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        total += got;
    }
    state.bytesRead += uint64_t(total);
    showProgress();
    return int32_t(total);
}

int32_t writeFile(int32_t handle, const void* buffer, uint32_t count) {
    if (handle == kDiscardHandle) return int32_t(count);
    size_t total = 0;
    while (total < count) {
        ssize_t put = write(handle, static_cast<const char*>(buffer) + total, count - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return -1;
        total += size_t(put);
    }
    return int32_t(total);
}

int32_t closeFile(int32_t handle) {
    if (handle == kDiscardHandle) return 0;
    // A target the engine gave up on after a failure (the handler closes finished ones).
    if (state.bases.erase(handle) == 0 && state.discardTarget && state.discardTarget(handle)) {
        return 0;
    }
    return close(handle) == 0 ? 0 : -1;
}

int32_t seekFile(int32_t handle, int32_t offset, int32_t origin) {
    auto found = state.bases.find(handle);
    const int64_t base = found == state.bases.end() ? 0 : found->second;
    off_t position = origin == kSeekSet
                         ? lseek(handle, off_t(base) + offset, SEEK_SET)
                         : lseek(handle, offset, origin == kSeekCur ? SEEK_CUR : SEEK_END);
    if (position < 0 || position - base > 0x7FFFFFFF || position < base) return -1;
    return int32_t(position - base);
}

uint64_t sizeOfCabinet(const char* name) {
    struct stat info;
    return fstatat(state.directoryFd, name, &info, 0) == 0 ? uint64_t(info.st_size) : 0;
}

int32_t handleNotification(CopyNotification kind, NotificationRecord* record) {
    CopyState& copy = *current;
    const FileEvents& events = *copy.events;
    switch (kind) {
        case CabinetOpened:
            if (copy.firstOpen) {
                copy.firstOpen = false;
                copy.nextCabinet = record->name;
                copy.setId = record->setId;
                copy.cabinetIndex = record->cabinetIndex;
                if (copy.hasExpected && (record->setId != copy.expectedSetId ||
                                         record->cabinetIndex != copy.expectedIndex)) {
                    copy.neededError = CabinetMismatch;
                    return -1;
                }
            }
            return 0;
        case FileContinued:
            if (events.continued) events.continued(record, events.context);
            return 0;
        case FileBegin:
            copy.currentFile = record->name;
            return events.begin(record, events.context);
        case FileEnd:
            return events.end(record, events.context);
        case CabinetNeeded:
            // One attempt per next cabinet: a repeat carries the error of the failed attempt.
            if (record->error != Ok) {
                copy.neededError = record->error;
                return -1;
            }
            copy.neededName = record->name;
            state.cabinetOffset = 0;  // a next cabinet is a file of its own
            state.cabinetName = record->name;
            state.bytesRead = 0;
            state.cabinetSize = sizeOfCabinet(record->name);
            return 0;
        case FileListCheckpoint:
            return 0;
    }
    return 0;
}

const char* explain(int32_t code) {
    switch (code) {
        case CabinetOpenFailed:
            return "the cabinet cannot be opened";
        case CabinetHeaderInvalid:
            return "no valid cabinet header";
        case CabinetVersionUnsupported:
            return "unsupported cabinet version";
        case CabinetDataCorrupt:
            return "the cabinet is damaged";
        case OutOfMemory:
            return "out of memory";
        case CodecInvalid:
            return "unknown compression method";
        case CodecFailed:
            return "the compressed data cannot be decoded";
        case TargetWriteFailed:
            return "a file cannot be written";
        case ReserveSizeChanged:
            return "the next cabinet's layout does not match this one's";
        case CabinetMismatch:
            return "the next cabinet belongs to another set or is out of order";
        case Aborted:
            return "extraction stopped";
        default:
            return "unknown failure";
    }
}

void reportError(int32_t code, const std::string& cabinet, const std::string& file,
                 int32_t detail) {
    std::fprintf(stderr, "error: %s: %s", decoderErrorName(code), explain(code));
    if (code == CabinetVersionUnsupported) std::fprintf(stderr, " (0x%04X)", unsigned(detail));
    // Both names come from cabinets: never printed raw.
    std::fprintf(stderr, " (cabinet '%s'", escapeControls(cabinet).c_str());
    if (!file.empty()) std::fprintf(stderr, ", file '%s'", escapeControls(file).c_str());
    std::fputs(")\n", stderr);
}

uint64_t fileSize(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 ? uint64_t(info.st_size) : 0;
}

}  // namespace

void setAbortReason(const std::string& reason) {
    if (current) current->abortReason = reason;
}

void setDiscardTarget(DiscardTarget discard) {
    state.discardTarget = discard;
}

std::string formatDosDateTime(uint16_t date, uint16_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (date >> 9),
                  (date >> 5) & 15u, date & 31u, time >> 11, (time >> 5) & 63u, (time & 31u) * 2);
    return text;
}

int runCabinetSession(const char* path, const SessionOptions& options, const FileEvents& events) {
    std::string fullPath = path;
    size_t slash = fullPath.rfind('/');
    std::string folder = slash == std::string::npos ? "." : fullPath.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
    if (!options.cabinetFolder.empty()) {
        folder = options.cabinetFolder;
        name = fullPath;
    }
    // The first cabinet as the user named it (standard input is a descriptor path here).
    const std::string shown = options.shownName.empty() ? fullPath : options.shownName;

    int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        std::fprintf(stderr, "error: CabinetOpenFailed: cannot open '%s': %s\n", shown.c_str(),
                     std::strerror(errno));
        return 1;
    }
    int64_t offset = findCabinetOffset(file);
    if (offset < 0) {
        // A plain cabinet may carry non-zero bytes in its reserved field.
        char start[4] = {};
        if (pread(file, start, 4, 0) == 4 && std::memcmp(start, "MSCF", 4) == 0) offset = 0;
    }
    const uint64_t size = fileSize(file);
    close(file);
    if (offset < 0) {
        std::fprintf(stderr, "error: CabinetHeaderInvalid: no cabinet found in '%s'\n",
                     shown.c_str());
        return 1;
    }

    state = CallbackState{};
    state.directoryFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (state.directoryFd < 0) {
        std::fprintf(stderr, "error: CabinetOpenFailed: cannot open folder '%s': %s\n",
                     folder.c_str(), std::strerror(errno));
        return 1;
    }
    state.cabinetOffset = offset;
    state.progress = options.progress && !options.quiet && isatty(2);
    state.cabinetSize = size - uint64_t(offset);
    state.cabinetName = name;

    DecoderErrorRecord error{};
    CabinetDecoder* decoder =
        createDecoder(DecoderCallbacks{allocMemory, freeMemory, openFile, readFile, writeFile,
                                       closeFile, seekFile},
                      -1, &error);
    int status = 0;
    if (!decoder) {
        reportError(error.code, shown, "", 0);
        close(state.directoryFd);
        return 1;
    }

    bool hasExpected = false;
    uint16_t expectedSetId = 0, expectedIndex = 0;
    for (;;) {
        CopyState copy;
        copy.events = &events;
        copy.hasExpected = hasExpected;
        copy.expectedSetId = expectedSetId;
        copy.expectedIndex = expectedIndex;
        current = &copy;
        error = DecoderErrorRecord{};
        // Names are opened relative to the cabinet's folder, so the engine's path stays empty.
        const bool ok =
            copyCabinet(decoder, name.c_str(), "", 0, handleNotification, nullptr, &copy);
        clearProgress();
        current = nullptr;
        if (!ok) {
            status = 1;
            if (!copy.abortReason.empty()) {
                std::fprintf(stderr, "error: %s\n", copy.abortReason.c_str());
            } else {
                const bool gaveUp = error.code == Aborted && copy.neededError != Ok;
                const int32_t code = gaveUp ? copy.neededError : error.code;
                const std::string& named =
                    options.shownName.empty() || name != fullPath ? name : options.shownName;
                const std::string cabinet =
                    gaveUp && !copy.neededName.empty() ? copy.neededName : named;
                reportError(code, cabinet, copy.currentFile, error.detail);
            }
            break;
        }
        if (!options.followSet || copy.nextCabinet.empty()) break;
        name = copy.nextCabinet;
        hasExpected = true;
        expectedSetId = copy.setId;
        expectedIndex = uint16_t(copy.cabinetIndex + 1);
        state.cabinetOffset = 0;
        state.bases.clear();
        state.cabinetName = name;
        state.bytesRead = 0;
        state.cabinetSize = sizeOfCabinet(name.c_str());
    }
    destroyDecoder(decoder);
    close(state.directoryFd);
    state.directoryFd = -1;
    return status;
}

}  // namespace tamrix::tool
