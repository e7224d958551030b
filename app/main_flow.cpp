#include "app/main_flow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/crc_check.h"
#include "app/destination.h"
#include "app/extraction_worker.h"
#include "app/package_layout.h"
#include "app/setup_launch.h"
#include "extract/extracted_file_list.h"
#include "extract/notification_handler.h"
#include "paths/cleanup.h"
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
#include "state/settings.h"
#include "ui/destination_dialog.h"
#include "ui/progress_window.h"

namespace tamrix {

namespace {

constexpr const char* kCaption = "ZER-AVE";
constexpr uint32_t kMaxFolders = 65536;

void showString(uint32_t id, uint32_t icon, const char* argument = nullptr) {
    char format[128];
    char text[128 + kPathSize];
    loadString(id, format, sizeof format);
    if (argument) {
        std::snprintf(text, sizeof text, format, argument);
    } else {
        std::snprintf(text, sizeof text, "%s", format);
    }
    platform::messageBox(text, kCaption, platform::kMbOk | icon);
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
    if (cabinetOffset == -1) {
        showString(kStringUnsupportedFormat, platform::kMbIconError);
        return -1;
    }
    return size - cabinetOffset;
}

// The package's file name without its last extension and trailing blanks.
void makeArchiveName(const char* fileName, char* archiveName) {
    std::strcpy(archiveName, fileName);
    if (char* dot = std::strrchr(archiveName, '.')) *dot = 0;
    trimTrailingBlanks(archiveName);
}

// Settles settings.destination; false when the run ends.
bool settleDestination(const char* packagePath) {
    char baseFolder[kPathSize];
    char fileName[kPathSize];
    char archiveName[kPathSize];
    splitPath(packagePath, baseFolder, fileName);
    if (!settings.destination[0]) std::strcpy(settings.destination, baseFolder);
    makeArchiveName(fileName, archiveName);
    int rejectionsWithoutDialog = 0;
    for (;;) {
        if (!settings.skipDestinationDialog && showDestinationDialog(archiveName) != 1) return false;
        if (resolveDestination(settings.destination, baseFolder) == DestinationStep::Accepted) break;
        // Without the dialog nobody can mend the text: a second rejection ends the run instead of
        // repeating for ever.
        if (settings.skipDestinationDialog && ++rejectionsWithoutDialog >= 2) {
            showString(kStringInvalidPath, platform::kMbIconError);
            return false;
        }
    }
    if (platform::getFileAttributes(settings.destination) == platform::kInvalidAttributes) {
        if (!settings.autoConfirm) {
            char format[128];
            char text[128 + kPathSize];
            loadString(kStringCreateFolderQuestion, format, sizeof format);
            std::snprintf(text, sizeof text, format, settings.destination);
            if (platform::messageBox(text, kCaption,
                                     platform::kMbOkCancel | platform::kMbIconQuestion) !=
                platform::kIdOk) {
                return false;
            }
        }
        if (!createFolderTree(settings.destination)) {
            showString(kStringCannotCreateFolder, platform::kMbIconError);
            return false;
        }
    }
    return true;
}

// Runs the worker behind the progress window and pumps messages until the window closes.
void extract(char* packagePath, uint32_t cabinetSize) {
    createProgressWindow(cabinetSize);
    platform::ThreadHandle worker = platform::startThread(extractionWorker, packagePath);
    if (!worker) {
        cancelRequested = 100;
        platform::destroyWindow(progressWindow);
        return;
    }
    platform::runMessageLoop(progressWindow);
    platform::waitForThread(worker);
    platform::closeThread(worker);
}

int compareIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = (*a >= 'a' && *a <= 'z') ? *a - 32 : (unsigned char)*a;
        int cb = (*b >= 'a' && *b <= 'z') ? *b - 32 : (unsigned char)*b;
        if (ca != cb || !ca) return ca - cb;
    }
}

// The folder part (relative to the destination) of a recorded file, or false when it has none.
bool relativeFolderOf(const char* relative, char* folder) {
    char name[kPathSize];
    splitPath(relative, folder, name);
    stripBackslash(folder);
    return folder[0] != 0;
}

// Deletes the recorded files, then removes the folders that held them once they are empty.
void deleteExtractedFiles(bool uniqueTemporaryFolder) {
    appendExtractedFile("");
    const char* destination = settings.destination;
    size_t destinationLength = std::strlen(destination);
    char (*folders)[kPathSize] = nullptr;
    uint32_t folderCount = 0;
    uint32_t folderCapacity = 0;
    for (const char* entry = extractedFiles.address; entry && *entry;
         entry += std::strlen(entry) + 1) {
        char folder[kPathSize];
        const char* relative = std::strlen(entry) > destinationLength ? entry + destinationLength : "";
        if (relativeFolderOf(relative, folder) &&
            (folderCount == 0 || compareIgnoringCase(folders[folderCount - 1], folder) != 0) &&
            folderCount < kMaxFolders) {
            if (folderCount == folderCapacity) {
                uint32_t grown = folderCapacity ? folderCapacity * 2 : 16;
                void* bigger = std::realloc(folders, size_t(grown) * kPathSize);
                if (bigger) {
                    folders = static_cast<char(*)[kPathSize]>(bigger);
                    folderCapacity = grown;
                }
            }
            // A table that cannot grow skips further folders: they merely stay.
            if (folderCount < folderCapacity) std::strcpy(folders[folderCount++], folder);
        }
        platform::setFileAttributes(entry, platform::kAttrNormal);
        platform::deleteFile(entry);
    }
    if (uniqueTemporaryFolder) platform::removeDirectory(destination);
    for (uint32_t i = 0; i < folderCount; ++i) {
        char path[2 * kPathSize];
        std::snprintf(path, sizeof path, "%s%s", destination, folders[i]);
        removeEmptyFolders(path, destination);
    }
    std::free(folders);
}

void runAfterActions(bool uniqueTemporaryFolder) {
    if (cancelRequested.load()) return;
    if (settings.setupCommand[0]) {
        runSetupCommand(settings.setupCommand, settings.destination, settings.deleteAfterSetup);
        if (settings.deleteAfterSetup && extractedFiles.byteCount) {
            deleteExtractedFiles(uniqueTemporaryFolder);
        }
    } else if (settings.openFolderAfter) {
        platform::openFolderInShell(settings.destination);
        platform::messageBeepAsterisk();
    }
}

}  // namespace

void runMainFlow(char* packagePath) {
    bool uniqueTemporaryFolder = false;
    int32_t cabinetSize = readPackage(packagePath, &uniqueTemporaryFolder);
    if (cabinetSize < 0) return;
    if (settings.promptText[0] &&
        platform::messageBox(settings.promptText, settings.promptCaption,
                             platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
        return;
    }
    if (settings.cabinetCrc && !verifyPackageCrc(nullptr, platform::moduleInstance, settings.cabinetCrc) &&
        settings.setupCommand[0]) {
        return;
    }
    if (!settleDestination(packagePath)) return;
    extract(packagePath, uint32_t(cabinetSize));
    runAfterActions(uniqueTemporaryFolder);
    releaseExtractedFiles();
}

}  // namespace tamrix
