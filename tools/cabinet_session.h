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
    // Where the rest of the set is looked for when the cabinet's own folder is not it (a
    // cabinet read from standard input); the path is then opened as it is.
    std::string cabinetFolder;
    std::string shownName;  // the first cabinet's name in messages, when not its path
};

// Called by an event handler that gives up: the reason is printed instead of the engine's error.
void setAbortReason(const std::string& reason);

// Offered every handle the engine closes that is not a cabinet's: returns true when it was an
// unfinished target (which it then removes), false to let the handle be closed normally.
using DiscardTarget = bool (*)(int32_t handle);
void setDiscardTarget(DiscardTarget discard);

// Copies the cabinet in `path` (and, with followSet, the rest of its set) and prints any failure
// as "error: <DecoderError name>: explanation". Returns the exit status (0 or 1).
int runCabinetSession(const char* path, const SessionOptions& options, const FileEvents& events);

// "YYYY-MM-DD HH:MM:SS" for an MS-DOS date and time word.
std::string formatDosDateTime(uint16_t date, uint16_t time);

}  // namespace tamrix::tool
