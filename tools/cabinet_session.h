// Runs the engine over a cabinet, a package or a whole cabinet set for the tool's commands: the
// file callbacks (package offset, Quantum spill file, target handles), the handler that follows
// the set, progress on stderr and the error report.
#pragma once

#include <cstdint>
#include <string>

#include "cab/decoder.h"

namespace tamrix::tool {

// A target handle that swallows everything written to it (used by `test`).
constexpr int32_t kDiscardHandle = 0x7FFF0000;

struct FileEvents {
    // FileBegin: return a target handle, 0 to skip, -1 to abort.
    int32_t (*begin)(NotificationRecord* record, void* context) = nullptr;
    // FileEnd: finish and close the target; 1 on success, 0 on failure, -1 to abort.
    int32_t (*end)(NotificationRecord* record, void* context) = nullptr;
    // FileContinued (optional): an entry whose data began in a previous cabinet.
    void (*continued)(NotificationRecord* record, void* context) = nullptr;
    void* context = nullptr;
};

struct SessionOptions {
    bool followSet = true;  // go on with the next cabinet named by each cabinet of the set
    bool quiet = false;
    bool progress = false;  // a progress bar on stderr
    // Decode each folder once, front to back, whatever the order and overlap of the entries
    // (for commands that decode: a listing pass first plans the work).
    bool ordered = false;
    // A cabinet read from standard input: the path is a descriptor path, the rest of the set is
    // looked for in cabinetFolder, and shownName stands for the cabinet in messages.
    std::string cabinetFolder;
    std::string shownName;
};

// Called by an event handler that gives up: the reason is printed instead of the engine's error.
void setAbortReason(const std::string& reason);

// Offered every handle the engine closes that is not a cabinet's: returns true when it was an
// unfinished target (which it then removes), false to let the handle be closed normally.
using DiscardTarget = bool (*)(int32_t handle);
void setDiscardTarget(DiscardTarget discard);

// Names the file behind a target handle (its full path) for the words of a failed write.
using TargetPath = std::string (*)(int32_t handle);
void setTargetPath(TargetPath name);

// Copies the cabinet in `path` (and, with followSet, the rest of its set) and prints any failure
// as "error: <DecoderError name>: explanation". Returns the exit status (0 or 1).
int runCabinetSession(const char* path, const SessionOptions& options, const FileEvents& events);

struct SetTotals {
    uint64_t files = 0;
    uint64_t bytes = 0;
};

// Adds up the entries that start in the cabinet in `path` and in the cabinets that follow it in
// its set, as far as they are there; nothing is decoded and nothing printed. False when the first
// cabinet cannot be read.
bool measureCabinetSet(const char* path, SetTotals* totals);

// "YYYY-MM-DD HH:MM:SS" for an MS-DOS date and time word.
std::string formatDosDateTime(uint16_t date, uint16_t time);

}  // namespace tamrix::tool
