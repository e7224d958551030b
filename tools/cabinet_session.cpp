#include "tools/cabinet_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "cab/cabinet_format.h"
#include "tools/cabinet_locator.h"
#include "tools/display_text.h"
#include "tools/folder_plan.h"

namespace tamrix::tool {

namespace {

// The callbacks carry no user pointer, so their state lives here (one session at a time).
struct CallbackState {
    // The first cabinet opened under another name than its path (standard input).
    std::string redirectName, redirectPath;
    int directoryFd = -1;          // folder of the cabinets: names are opened relative to it
    int64_t cabinetOffset = 0;     // added to absolute seeks of cabinet handles opened while set
    std::map<int, int64_t> bases;  // cabinet handle -> offset of its cabinet in the file
    DiscardTarget discardTarget = nullptr;
    TargetPath targetPath = nullptr;
    DecoderErrorRecord error{};  // the engine's, for as long as its decoder lives
    // Progress: bytes read from the current cabinet against its size.
    bool progress = false;
    uint64_t bytesRead = 0;
    uint64_t cabinetSize = 0;
    int shownPercent = -1;
    std::string cabinetName;
};
CallbackState state;

// Cabinets are opened relative to the folder of the first one. The engine joins this with each
// name, so that no cabinet's path starts with '*', which only the Quantum codec's own request
// for a spill file does.
constexpr const char* kCabinetFolder = "./";

// The target handle of a folder run: its bytes go to the entries the run covers.
constexpr int32_t kRunHandle = 0x7FFF0001;

enum class PlanPhase { Steps, Tail, Done, Switched };

// A copy that follows a plan: the checkpoints point the engine at one entry per step (first the
// empty files, then one entry per folder run), then at the whole table again, whose entries
// continued from or into other cabinets the engine handles in its own order.
struct PlannedCopy : RunTargets {
    std::vector<ListedEntry> entries;
    CopyPlan plan;
    PlanPhase phase = PlanPhase::Steps;
    size_t step = 0;  // steps begun so far
    bool started = false;
    int32_t tableStart = 0;
    uint16_t tableCount = 0;
    std::unique_ptr<RunWriter> writer;
    const char* previousCabinet = "";
    const char* previousDisk = "";

    size_t stepCount() const { return plan.emptyEntries.size() + plan.runs.size(); }
    const FolderRun* runOfStep(size_t index) const {
        const size_t empties = plan.emptyEntries.size();
        return index < empties ? nullptr : &plan.runs[index - empties];
    }
    size_t driverOfStep(size_t index) const {
        const FolderRun* run = runOfStep(index);
        return run ? run->driver : plan.emptyEntries[index];
    }
    NotificationRecord recordOf(size_t index) const;

    int32_t begin(size_t entry) override;
    bool write(int32_t handle, const uint8_t* data, uint32_t count) override;
    int32_t end(size_t entry, int32_t handle) override;
    void discard(int32_t handle) override;
    bool discards(int32_t handle) const override { return handle == kDiscardHandle; }
};

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
    std::string neededFrom;  // the cabinet whose folder went on into the next one
    std::string currentFile;
    std::string abortReason;
    PlannedCopy* planned = nullptr;
};
CopyState* current = nullptr;

void noteWriteFailure(int32_t handle, int cause);

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
    if (!state.redirectName.empty() && state.redirectName == path)
        path = state.redirectPath.c_str();
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
    if (handle == kRunHandle) {
        RunWriter* writer = current && current->planned ? current->planned->writer.get() : nullptr;
        const bool ok = writer && writer->write(static_cast<const uint8_t*>(buffer), count);
        return ok ? int32_t(count) : -1;
    }
    size_t total = 0;
    while (total < count) {
        ssize_t put = write(handle, static_cast<const char*>(buffer) + total, count - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            noteWriteFailure(handle, put < 0 ? errno : ENOSPC);
            return -1;
        }
        total += size_t(put);
    }
    return int32_t(total);
}

int32_t closeFile(int32_t handle) {
    if (handle == kDiscardHandle) return 0;
    if (handle == kRunHandle) {
        // The engine gave up on a run: the entries it was writing are unfinished.
        if (current && current->planned && current->planned->writer) {
            current->planned->writer->discardOpen();
        }
        return 0;
    }
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

NotificationRecord PlannedCopy::recordOf(size_t index) const {
    const ListedEntry& e = entries[index];
    NotificationRecord record{};
    record.size = int32_t(e.size);
    record.name = e.name.c_str();
    record.name2 = previousCabinet;
    record.name3 = const_cast<char*>(previousDisk);
    record.date = e.date;
    record.time = e.time;
    record.attributes = e.attributes;
    record.folderIndex = e.folderIndex;
    return record;
}

int32_t PlannedCopy::begin(size_t entry) {
    NotificationRecord record = recordOf(entry);
    current->currentFile = record.name;
    return current->events->begin(&record, current->events->context);
}

bool PlannedCopy::write(int32_t handle, const uint8_t* data, uint32_t count) {
    return writeFile(handle, data, count) == int32_t(count);
}

int32_t PlannedCopy::end(size_t entry, int32_t handle) {
    // The same record the engine sends at the end of a file.
    NotificationRecord record = recordOf(entry);
    record.handle = handle;
    record.size = (record.attributes & kAttributeExecute) ? 1 : 0;
    record.attributes = uint16_t(record.attributes & ~kAttributeExecute);
    return current->events->end(&record, current->events->context);
}

void PlannedCopy::discard(int32_t handle) {
    if (!state.discardTarget || !state.discardTarget(handle)) close(handle);
}

// The checkpoints steer the engine through the plan's steps, then once through the whole table.
int32_t plannedCheckpoint(PlannedCopy& planned, NotificationRecord* record) {
    if (!planned.started) {
        planned.started = true;
        planned.tableStart = record->size;
        planned.tableCount = record->folderIndex;
    }
    if (planned.phase == PlanPhase::Steps && planned.step < planned.stepCount()) {
        record->size = int32_t(planned.entries[planned.driverOfStep(planned.step)].tablePosition);
        record->folderIndex = 1;
        ++planned.step;
    } else if (planned.phase == PlanPhase::Steps) {
        planned.phase = PlanPhase::Tail;
        record->size = planned.tableStart;
        record->folderIndex = planned.tableCount;
    } else if (planned.phase == PlanPhase::Tail) {
        planned.phase = PlanPhase::Done;
    }
    return 0;
}

int32_t plannedBegin(CopyState& copy, NotificationRecord* record) {
    PlannedCopy& planned = *copy.planned;
    if (planned.phase == PlanPhase::Tail) {
        // Entries of this cabinet's own folders were served by the steps.
        if (!continuedAcross(record->folderIndex)) return 0;
        copy.currentFile = record->name;
        return copy.events->begin(record, copy.events->context);
    }
    const size_t index = planned.step - 1;
    const ListedEntry& driver = planned.entries[planned.driverOfStep(index)];
    if (driver.name != record->name) {
        copy.abortReason =
            "the file table of '" + state.cabinetName + "' changed while it was read";
        return -1;
    }
    planned.previousCabinet = record->name2;
    planned.previousDisk = record->name3;
    const FolderRun* run = planned.runOfStep(index);
    if (!run) {
        copy.currentFile = record->name;
        return copy.events->begin(record, copy.events->context);
    }
    record->rangeStart = run->start;
    record->rangeSize = run->end - run->start;
    planned.writer = std::make_unique<RunWriter>(*run, planned.entries, planned);
    return kRunHandle;
}

int32_t plannedEnd(CopyState& copy, NotificationRecord* record) {
    PlannedCopy& planned = *copy.planned;
    if (record->handle != kRunHandle) return copy.events->end(record, copy.events->context);
    const bool complete = planned.writer && planned.writer->complete();
    planned.writer.reset();
    return complete ? 1 : 0;
}

// The system's reason for a failed write, with the file's full path.
void noteWriteFailure(int32_t handle, int cause) {
    if (!current || !state.targetPath) return;
    current->abortReason = "TargetWriteFailed: cannot write '" + state.targetPath(handle) +
                           "': " + std::strerror(cause);
}

// A next-cabinet name is a file in the cabinet's folder: nothing with a separator, no folder steps.
bool plainCabinetName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

std::string whereText(const std::string& cabinet, const std::string& file) {
    return " (cabinet '" + cabinet + "'" + (file.empty() ? "" : ", file '" + file + "'") + ")";
}

// The data of a file went on past the blocks of its folder in this cabinet.
int32_t cabinetNeeded(CopyState& copy, NotificationRecord* record) {
    // A repeat comes after the first attempt renamed the current cabinet.
    if (record->error == Ok) copy.neededFrom = state.cabinetName;
    const std::string where = whereText(copy.neededFrom, copy.currentFile);
    const std::string next = record->name;
    if (next.empty()) {
        copy.abortReason =
            "CabinetDataCorrupt: the data ends early: the folder has no more "
            "blocks and the cabinet names no next cabinet" +
            where;
        return -1;
    }
    if (!plainCabinetName(next)) {
        copy.abortReason = "CabinetOpenFailed: the next cabinet's name '" + next +
                           "' is not a file name in the cabinet's folder; not opened" + where;
        return -1;
    }
    if (copy.planned && copy.planned->phase == PlanPhase::Steps) {
        // The entry is not marked as going on into the next cabinet, so its data must end here.
        copy.abortReason =
            "CabinetDataCorrupt: the data runs past the end of its folder, but "
            "the file is not marked as going on into the next cabinet" +
            where;
        return -1;
    }
    if (copy.planned) copy.planned->phase = PlanPhase::Switched;
    // One attempt per next cabinet: a repeat carries the error of the failed attempt.
    if (record->error != Ok) {
        copy.neededError = record->error;
        struct stat info;
        if (record->error == CabinetOpenFailed &&
            fstatat(state.directoryFd, next.c_str(), &info, 0) != 0 && errno == ENOENT) {
            copy.abortReason = "CabinetOpenFailed: the next cabinet of the set, '" + next +
                               "', is missing" + where;
        }
        return -1;
    }
    copy.neededName = next;
    state.cabinetOffset = 0;  // a next cabinet is a file of its own
    state.cabinetName = next;
    state.bytesRead = 0;
    state.cabinetSize = sizeOfCabinet(next.c_str());
    return 0;
}

int32_t handleNotification(CopyNotification kind, NotificationRecord* record) {
    CopyState& copy = *current;
    const FileEvents& events = *copy.events;
    const bool planned = copy.planned && copy.planned->phase != PlanPhase::Switched;
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
            if (planned) return plannedBegin(copy, record);
            copy.currentFile = record->name;
            return events.begin(record, events.context);
        case FileEnd:
            if (planned) return plannedEnd(copy, record);
            return events.end(record, events.context);
        case CabinetNeeded:
            return cabinetNeeded(copy, record);
        case FileListCheckpoint:
            return planned ? plannedCheckpoint(*copy.planned, record) : 0;
    }
    return 0;
}

// The listing pass: every entry of one cabinet with its place in the file table, nothing decoded.
struct Listing {
    std::vector<ListedEntry> entries;
    uint32_t position = 0;
    bool started = false;
    bool opened = false;
    std::string nextCabinet;
    uint16_t cabinetIndex = 0;
};
Listing* listing = nullptr;

void addListed(const NotificationRecord* record, uint64_t folderOffset) {
    ListedEntry e;
    e.name = record->name;
    e.tablePosition = listing->position;
    e.folderOffset = folderOffset;
    e.size = uint32_t(record->size);
    e.folderIndex = record->folderIndex;
    e.date = record->date;
    e.time = record->time;
    e.attributes = record->attributes;
    listing->position += kFileEntryFixedSize + uint32_t(e.name.size()) + 1;
    listing->entries.push_back(std::move(e));
}

int32_t handleListing(CopyNotification kind, NotificationRecord* record) {
    switch (kind) {
        case CabinetOpened:
            if (!listing->opened) {
                listing->nextCabinet = record->name;
                listing->cabinetIndex = record->cabinetIndex;
            }
            listing->opened = true;
            return 0;
        case FileListCheckpoint:
            if (!listing->started) listing->position = uint32_t(record->size);
            listing->started = true;
            return 0;
        case FileContinued:
            addListed(record, 0);
            return 0;
        case FileBegin:
            addListed(record, record->rangeStart);
            return 0;  // nothing is decoded
        default:
            return 0;
    }
}

// Lists one cabinet; false when its table cannot be read to the end.
bool listCabinet(CabinetDecoder* decoder, const std::string& name, Listing* pass) {
    listing = pass;
    const bool ok = copyCabinet(decoder, name.c_str(), kCabinetFolder, kCopyHandlerRange,
                                handleListing, nullptr, nullptr);
    listing = nullptr;
    return ok;
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

void setTargetPath(TargetPath name) {
    state.targetPath = name;
}

std::string formatDosDateTime(uint16_t date, uint16_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (date >> 9),
                  (date >> 5) & 15u, date & 31u, time >> 11, (time >> 5) & 63u, (time & 31u) * 2);
    return text;
}

namespace {

// Finds the cabinet in `path`, binds the callbacks to its folder and creates a decoder; prints
// the failure and returns null when any of it fails. *name is the cabinet's file name.
CabinetDecoder* beginSession(const char* path, const SessionOptions& options, std::string* name,
                             bool report = true) {
    std::string fullPath = path;
    size_t slash = fullPath.rfind('/');
    std::string folder = slash == std::string::npos ? "." : fullPath.substr(0, slash + 1);
    *name = slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
    const bool redirected = !options.cabinetFolder.empty();
    if (redirected) {
        folder = options.cabinetFolder;
        *name = options.shownName;
    }
    const std::string shown = redirected ? options.shownName : fullPath;

    int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        if (report)
            std::fprintf(stderr, "error: CabinetOpenFailed: cannot open '%s': %s\n", shown.c_str(),
                         std::strerror(errno));
        return nullptr;
    }
    const int64_t offset = locateCabinet(file);
    const uint64_t size = fileSize(file);
    close(file);
    if (offset < 0) {
        if (report)
            std::fprintf(stderr, "error: CabinetHeaderInvalid: no cabinet found in '%s'\n",
                         shown.c_str());
        return nullptr;
    }

    const DiscardTarget discard = state.discardTarget;
    const TargetPath targetPath = state.targetPath;
    state = CallbackState{};
    state.discardTarget = discard;
    state.targetPath = targetPath;
    if (redirected) {
        state.redirectName = std::string(kCabinetFolder) + *name;
        state.redirectPath = fullPath;
    }
    state.directoryFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (state.directoryFd < 0) {
        if (report)
            std::fprintf(stderr, "error: CabinetOpenFailed: cannot open folder '%s': %s\n",
                         folder.c_str(), std::strerror(errno));
        return nullptr;
    }
    state.cabinetOffset = offset;
    state.progress = options.progress && !options.quiet && isatty(2);
    state.cabinetSize = size - uint64_t(offset);
    state.cabinetName = *name;

    DecoderErrorRecord& error = state.error;
    CabinetDecoder* decoder =
        createDecoder(DecoderCallbacks{allocMemory, freeMemory, openFile, readFile, writeFile,
                                       closeFile, seekFile},
                      -1, &error);
    if (!decoder) {
        if (report) reportError(error.code, *name, "", 0);
        close(state.directoryFd);
    }
    return decoder;
}

void endSession(CabinetDecoder* decoder) {
    destroyDecoder(decoder);
    close(state.directoryFd);
    state.directoryFd = -1;
}

}  // namespace

bool measureCabinetSet(const char* path, SetTotals* totals) {
    SessionOptions options;
    std::string name;
    CabinetDecoder* decoder = beginSession(path, options, &name, false);
    if (!decoder) return false;
    bool ok = true;
    uint16_t expectedIndex = 0;
    // Each cabinet of a set has a higher index than the one before, so the walk ends.
    for (int cabinets = 0; cabinets < 0x10000; ++cabinets) {
        Listing pass;
        if (!listCabinet(decoder, name, &pass)) {
            ok = cabinets != 0;
            break;
        }
        if (cabinets != 0 && pass.cabinetIndex != expectedIndex) break;  // not this set's next
        expectedIndex = uint16_t(pass.cabinetIndex + 1);
        for (const ListedEntry& e : pass.entries) {
            if (continuedFromPrevious(e.folderIndex)) continue;  // counted before
            ++totals->files;
            totals->bytes += e.size;
        }
        if (!plainCabinetName(pass.nextCabinet) || pass.cabinetIndex == 0xFFFF) break;
        name = pass.nextCabinet;
        state.cabinetOffset = 0;
        state.bases.clear();
    }
    endSession(decoder);
    return ok;
}

int runCabinetSession(const char* path, const SessionOptions& options, const FileEvents& events) {
    std::string name;
    CabinetDecoder* decoder = beginSession(path, options, &name);
    if (!decoder) return 1;
    DecoderErrorRecord& error = state.error;
    int status = 0;
    bool hasExpected = false;
    uint16_t expectedSetId = 0, expectedIndex = 0;
    for (;;) {
        CopyState copy;
        copy.events = &events;
        copy.hasExpected = hasExpected;
        copy.expectedSetId = expectedSetId;
        copy.expectedIndex = expectedIndex;
        PlannedCopy planned;
        Listing pass;
        if (options.ordered && listCabinet(decoder, name, &pass)) {
            planned.entries = std::move(pass.entries);
            planned.plan = planCopy(planned.entries);
            copy.planned = &planned;
        }
        state.bytesRead = 0;
        current = &copy;
        error = DecoderErrorRecord{};
        const int32_t flags = copy.planned ? kCopyHandlerRange : 0;
        const bool ok = copyCabinet(decoder, name.c_str(), kCabinetFolder, flags,
                                    handleNotification, nullptr, &copy);
        clearProgress();
        current = nullptr;
        if (!ok) {
            status = 1;
            if (!copy.abortReason.empty()) {
                // Reasons quote names from cabinets: never printed raw.
                std::fprintf(stderr, "error: %s\n", escapeControls(copy.abortReason).c_str());
            } else {
                const bool gaveUp = error.code == Aborted && copy.neededError != Ok;
                const int32_t code = gaveUp ? copy.neededError : error.code;
                const std::string cabinet =
                    gaveUp && !copy.neededName.empty() ? copy.neededName : name;
                reportError(code, cabinet, copy.currentFile, error.detail);
            }
            break;
        }
        if (!options.followSet || copy.nextCabinet.empty()) break;
        if (!plainCabinetName(copy.nextCabinet)) {
            std::fprintf(stderr,
                         "error: CabinetOpenFailed: the next cabinet's name '%s' is not a file "
                         "name in the cabinet's folder; not opened (cabinet '%s')\n",
                         escapeControls(copy.nextCabinet).c_str(), escapeControls(name).c_str());
            status = 1;
            break;
        }
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
    endSession(decoder);
    return status;
}

}  // namespace tamrix::tool
