#include "app/main_flow.h"

#include <cstdio>
#include <cstring>

#include "app/crc_check.h"
#include "app/destination.h"
#include "app/extraction_worker.h"
#include "app/package_layout.h"
#include "app/setup_launch.h"
#include "extract/extracted_file_list.h"
#include "extract/notification_handler.h"
#include "paths/created_folders.h"
#include "paths/folder_tree.h"
#include "paths/path_text.h"
#include "platform/files.h"
#include "platform/filesystem.h"
#include "platform/module.h"
#include "platform/shell.h"
#include "platform/threads.h"
#include "platform/ui.h"
#include "platform/windows.h"
#include "resources/strings.h"
#include "state/run_state.h"
#include "ui/destination_dialog.h"
#include "ui/progress_window.h"

namespace tamrix {

namespace {

void showString(uint32_t id, uint32_t icon, const char* argument = nullptr) {
    char format[128];
    char text[128 + kPathSize];
    loadString(id, format, sizeof format);
    if (argument) {
        std::snprintf(text, sizeof text, format, argument);
    } else {
        std::snprintf(text, sizeof text, "%s", format);
    }
    platform::messageBox(text, platform::kMessageCaption, platform::kMbOk | icon);
}

// Reads the package: the own file's header when no package was named, then the cabinet's place.
// Returns the cabinet's size, or -1 when the run ends here.
int32_t readPackage(char* packagePath, bool* uniqueTemporaryFolder) {
    int32_t file = -1;
    if (!packagePath[0]) {
        if (!platform::moduleFileName(packagePath, kPathSize) ||
            (file = platform::fileOpen(packagePath, platform::kOpenBinary, 0)) == -1) {
            showString(kStringCannotOpenArchive, platform::kMbIconError);
            return -1;
        }
        int32_t size = platform::fileSeek(file, 0, 2);
        platform::ModuleImage image = platform::moduleImage();
        uint32_t imageEnd = findImageEnd(image.base, image.readable);
        if (size < 0 || uint32_t(size) <= imageEnd) {
            platform::fileClose(file);
            return -1;
        }
        PackageHeader header;
        if (readPackageHeader(file, imageEnd, &header)) {
            *uniqueTemporaryFolder = applyPackageHeader(&header, packagePath);
        }
    }
    int32_t size = findCabinet(packagePath, file);
    if (size == -1) {
        showString(kStringCannotOpenArchive, platform::kMbIconError);
        return -1;
    }
    if (runState.cabinetOffset == -1) {
        showString(kStringUnsupportedFormat, platform::kMbIconError);
        return -1;
    }
    return size - runState.cabinetOffset;
}

// The package's file name without its last extension and trailing blanks.
void makeArchiveName(const char* fileName, char* archiveName) {
    std::strcpy(archiveName, fileName);
    if (char* dot = std::strrchr(archiveName, '.')) *dot = 0;
    trimTrailingBlanks(archiveName);
}

enum class Settled { Yes, DeclinedByUser, Failed };

// Settles settings.destination.
Settled settleDestination(const char* packagePath) {
    char baseFolder[kPathSize];
    char fileName[kPathSize];
    char archiveName[kPathSize];
    splitPath(packagePath, baseFolder, fileName);
    if (!runState.settings.destination[0]) std::strcpy(runState.settings.destination, baseFolder);
    makeArchiveName(fileName, archiveName);
    int rejectionsWithoutDialog = 0;
    for (;;) {
        if (!runState.settings.skipDestinationDialog && showDestinationDialog(archiveName) != 1) {
            return Settled::DeclinedByUser;
        }
        if (resolveDestination(runState.settings.destination, baseFolder) ==
            DestinationStep::Accepted) {
            break;
        }
        // Without the dialog nobody can mend the text: a second rejection ends the run instead of
        // repeating for ever.
        if (runState.settings.skipDestinationDialog && ++rejectionsWithoutDialog >= 2) {
            showString(kStringInvalidPath, platform::kMbIconError);
            return Settled::Failed;
        }
    }
    if (platform::getFileAttributes(runState.settings.destination) ==
        platform::kInvalidAttributes) {
        if (!runState.settings.autoConfirm) {
            char format[128];
            char text[128 + kPathSize];
            loadString(kStringCreateFolderQuestion, format, sizeof format);
            std::snprintf(text, sizeof text, format, runState.settings.destination);
            if (platform::messageBox(text, platform::kMessageCaption,
                                     platform::kMbOkCancel | platform::kMbIconQuestion) !=
                platform::kIdOk) {
                return Settled::DeclinedByUser;
            }
        }
        if (!createFolderTree(runState.settings.destination)) {
            showString(kStringCannotCreateFolder, platform::kMbIconError);
            return Settled::Failed;
        }
    }
    return Settled::Yes;
}

enum class Extracted { Completely, StoppedByUser, Failed };

// Runs the worker behind the progress window and pumps messages until the window closes.
Extracted extract(char* packagePath, uint32_t cabinetSize) {
    createProgressWindow(cabinetSize);
    // Without the window nobody would end the message loop.
    if (!runState.progressWindow) return Extracted::Failed;
    platform::ThreadHandle worker = platform::startThread(extractionWorker, packagePath);
    if (!worker) {
        platform::destroyWindow(runState.progressWindow);
        return Extracted::Failed;
    }
    platform::runMessageLoop(runState.progressWindow);
    platform::waitForThread(worker);
    platform::closeThread(worker);
    // The user's stop makes the copy fail too; it is told apart by its reason.
    if (runState.cancelRequested.load() == kStoppedByUser) return Extracted::StoppedByUser;
    if (runState.cancelRequested.load() != kNotStopped || runState.extractionFailed) {
        return Extracted::Failed;
    }
    return Extracted::Completely;
}

// Deletes the recorded files, then the folders this run created once they are empty, then the
// package's own temporary folder.
void deleteExtractedFiles(bool uniqueTemporaryFolder) {
    appendExtractedFile("");
    for (const char* entry = runState.extractedFiles.address; entry && *entry;
         entry += std::strlen(entry) + 1) {
        platform::setFileAttributes(entry, platform::kAttrNormal);
        platform::deleteFile(entry);
    }
    removeCreatedFolders();
    if (uniqueTemporaryFolder) platform::removeDirectory(runState.settings.destination);
}

bool deletesAfterSetup() {
    return runState.settings.setupCommand[0] && runState.settings.deleteAfterSetup &&
           runState.extractedFiles.byteCount;
}

void runAfterActions(bool uniqueTemporaryFolder) {
    if (runState.settings.setupCommand[0]) {
        runSetupCommand(runState.settings.setupCommand, runState.settings.destination,
                        runState.settings.deleteAfterSetup);
        if (deletesAfterSetup()) deleteExtractedFiles(uniqueTemporaryFolder);
    } else if (runState.settings.openFolderAfter) {
        platform::openFolderInShell(runState.settings.destination);
        platform::messageBeepAsterisk();
    }
}

// A failed extraction is said so, and nothing that assumes a complete one follows: no setup, no
// opened folder, no beep. What was extracted only for the setup program goes again.
void reportFailedExtraction(bool uniqueTemporaryFolder) {
    showString(kStringExtractionFailed, platform::kMbIconError);
    if (deletesAfterSetup()) deleteExtractedFiles(uniqueTemporaryFolder);
}

// Everything after the destination is settled; returns the exit code.
int extractAndFinish(char* packagePath, uint32_t cabinetSize, bool uniqueTemporaryFolder) {
    int exitCode = kExitDone;
    switch (extract(packagePath, cabinetSize)) {
        case Extracted::Completely:
            runAfterActions(uniqueTemporaryFolder);
            break;
        case Extracted::StoppedByUser:
            break;
        case Extracted::Failed:
            reportFailedExtraction(uniqueTemporaryFolder);
            exitCode = kExitFailed;
            break;
    }
    releaseExtractedFiles();
    forgetCreatedFolders();
    return exitCode;
}

}  // namespace

int runMainFlow(char* packagePath) {
    bool uniqueTemporaryFolder = false;
    int32_t cabinetSize = readPackage(packagePath, &uniqueTemporaryFolder);
    if (cabinetSize < 0) return kExitFailed;
    if (runState.settings.promptText[0] &&
        platform::messageBox(runState.settings.promptText, runState.settings.promptCaption,
                             platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
        return kExitDone;
    }
    if (runState.settings.cabinetCrc &&
        !verifyPackageCrc(nullptr, platform::moduleInstance, runState.settings.cabinetCrc) &&
        runState.settings.setupCommand[0]) {
        return kExitFailed;
    }
    switch (settleDestination(packagePath)) {
        case Settled::Yes:
            break;
        case Settled::DeclinedByUser:
            return kExitDone;
        case Settled::Failed:
            return kExitFailed;
    }
    return extractAndFinish(packagePath, uint32_t(cabinetSize), uniqueTemporaryFolder);
}

}  // namespace tamrix
