#include "extract/notification_handler.h"

#include <cstdio>
#include <cstring>

#include "extract/decoder_callbacks.h"
#include "extract/extracted_file_list.h"
#include "extract/utf8_name.h"
#include "paths/path_text.h"
#include "paths/target_path.h"
#include "platform/file_times.h"
#include "platform/files.h"
#include "platform/filesystem.h"
#include "platform/ui.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "state/run_state.h"
#include "ui/progress_window.h"
#include "ui/replace_dialog.h"

namespace tamrix {

namespace {

constexpr int32_t kOutputFlags = 0x8321;  // untranslated, write-only, create, truncate, sequential
constexpr int32_t kOutputMode = 0x180;
constexpr uint32_t kKeptAttributes = 0x27;  // read-only, hidden, system, archive

bool targetExists() {
    char found[kPathSize];
    return platform::searchPath(runState.targetPath, found, sizeof found) != 0;
}

char* skipLeadingSeparators(char* name) {
    while (*name == '\\' || *name == '/') ++name;
    return name;
}

bool existingIsOlder(const ReplacePrompt& prompt) {
    return prompt.existingStamp < prompt.newStamp;
}

// Decides about an existing target; returns -1 to stop, 0 to skip it, 1 to replace it.
int32_t decideAboutExisting(const NotificationRecord* record) {
    if (runState.settings.autoConfirm) return 1;
    ReplacePrompt prompt = {runState.targetPath, 0, uint32_t(record->date) << 16 | record->time, 0,
                            runState.expectedSize};
    if (!platform::readFileStampAndSize(runState.targetPath, &prompt.existingStamp,
                                        &prompt.existingSize)) {
        prompt.existingStamp = 0;
        prompt.existingSize = 0;
    }
    if (runState.newerOnly) return existingIsOlder(prompt) ? 1 : 0;
    int32_t accepted = 0;
    switch (askReplace(prompt)) {
        case kReplaceYes:
            accepted = 1;
            break;
        case kReplaceNo:
            accepted = 0;
            break;
        case kReplaceYesToAll:
            runState.settings.autoConfirm = 1;
            accepted = 1;
            break;
        default:
            runState.cancelRequested = kStoppedByUser;
            return -1;
    }
    // The Newer button answers Yes and applies its rule to this file too.
    if (runState.newerOnly) return existingIsOlder(prompt) ? 1 : 0;
    return accepted;
}

int32_t fileBegin(NotificationRecord* record) {
    // The handler works on its own copy of the stored name.
    char shown[kNameBufferSize];
    std::strncpy(shown, record->name ? record->name : "", sizeof shown - 1);
    shown[sizeof shown - 1] = 0;
    if ((record->attributes & kAttrUtf8Name) && !utf8NameToAnsi(shown, sizeof shown)) {
        runState.fileAccepted = 0;
        return refuseName(shown);
    }
    // Leading separators would name the root: the file lands inside the destination instead.
    char* name = skipLeadingSeparators(shown);
    removeParentSteps(name);
    name = skipLeadingSeparators(name);
    runState.fileAccepted =
        composeTargetPath(runState.settings.destination, name, runState.targetPath);
    if (runState.fileAccepted != 1) return runState.fileAccepted;
    runState.expectedSize = uint32_t(record->size);
    if (targetExists()) {
        runState.fileAccepted = decideAboutExisting(record);
        if (runState.fileAccepted == -1) return -1;
        if (runState.fileAccepted == 0) return 0;
        // A read-only, hidden or system file can then be overwritten.
        platform::setFileAttributes(runState.targetPath, platform::kAttrNormal);
    }
    if (runState.cancelRequested.load()) return -1;
    if (runState.settings.deleteAfterSetup) appendExtractedFile(runState.targetPath);
    platform::setDlgItemText(runState.progressWindow, IDC_PROGRESS_FILE_NAME, shown);
    int32_t handle = decoderOpen(runState.targetPath, kOutputFlags, kOutputMode);
    runState.fileInFlight = handle != -1;
    return handle;
}

int32_t fileEnd(NotificationRecord* record) {
    if (!runState.fileAccepted) return 1;
    runState.fileInFlight = false;
    int32_t handle = record->handle;
    if (platform::fileTell(handle) == int32_t(runState.expectedSize)) {
        decoderClose(handle);
        platform::setFileDosTime(runState.targetPath, record->date, record->time);
        platform::setFileAttributes(runState.targetPath, record->attributes & kKeptAttributes);
    } else {
        // A file that came out shorter or longer than declared does not survive.
        decoderClose(handle);
        platform::deleteFile(runState.targetPath);
    }
    return 1;
}

// What was wrong with a next cabinet that was there but could not be used, as a string id; 0 for
// one that could not be opened, which the question itself says.
uint32_t nextCabinetProblem(int32_t error) {
    switch (error) {
        case CabinetOpenFailed:
            return 0;
        case CabinetMismatch:
            return kStringCabinetOfAnotherSet;
        case CabinetVersionUnsupported:
            return kStringCabinetVersionUnsupported;
        case OutOfMemory:
            return kStringOutOfMemory;
        default:
            return kStringCabinetDamaged;
    }
}

// Names the next cabinet and the folder it is looked for in; true when the user chooses Retry.
bool askForNextCabinet(const NotificationRecord* record) {
    const char* name = record->name ? record->name : "";
    char format[256];
    char text[256 + 2 * kNameBufferSize + 64];
    loadString(kStringNextCabinetMissing, format, sizeof format);
    int length = std::snprintf(text, sizeof text, format, name, record->name3 ? record->name3 : "");
    uint32_t problem = nextCabinetProblem(record->error);
    if (problem && length > 0 && size_t(length) + 2 < sizeof text) {
        text[length] = text[length + 1] = '\n';
        loadString(problem, text + length + 2, int(sizeof text - size_t(length) - 2));
    }
    return platform::keepWaitingForCabinet(name, text);
}

int32_t cabinetNeeded(NotificationRecord* record) {
    if (runState.cancelRequested.load()) return -1;
    if (platform::getFileAttributes(runState.targetPath) & platform::kAttrDirectory) return -1;
    // The engine asks again after each attempt that failed: each time the user is asked, and
    // nothing is retried without being asked.
    if (record->error != 0 && !askForNextCabinet(record)) {
        runState.cancelRequested = kStoppedByUser;
        return -1;
    }
    runState.cabinetOffset = 0;
    return 0;
}

}  // namespace

int32_t notificationHandler(CopyNotification kind, NotificationRecord* record) {
    switch (kind) {
        case FileBegin:
            return fileBegin(record);
        case FileEnd:
            return fileEnd(record);
        case CabinetNeeded:
            return cabinetNeeded(record);
        default:
            return 0;
    }
}

void discardFileInFlight() {
    if (!runState.fileInFlight) return;
    runState.fileInFlight = false;
    platform::setFileAttributes(runState.targetPath, platform::kAttrNormal);
    platform::deleteFile(runState.targetPath);
}

}  // namespace tamrix
