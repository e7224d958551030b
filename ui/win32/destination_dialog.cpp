// The destination dialog with the system's folder browser.
#include "ui/destination_dialog.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/module.h"
#include "resources/resource.h"
#include "state/run_state.h"
#include "ui/archive_folder_box.h"

namespace tamrix {

namespace {

constexpr UINT kBrowseSetSelection = 1126;  // BFFM_SETSELECTIONA

const char* dialogArchiveName = "";

int CALLBACK browseCallback(HWND browser, UINT notification, LPARAM, LPARAM data) {
    if (notification == BFFM_INITIALIZED) SendMessageA(browser, kBrowseSetSelection, 1, data);
    return 0;
}

// Shows the folder browser opened on path (260 bytes); writes the chosen folder into it.
int browseForFolder(HWND owner, char* path) {
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pszDisplayName = path;
    browse.lpszTitle = "Please select a folder to store the extracted files.";
    browse.ulFlags = 0x41;  // file-system folders only, the resizable browser
    browse.lpfn = browseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(path);
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    int result = item ? SHGetPathFromIDListA(item, path) : 0;
    CoTaskMemFree(item);
    return result;
}

void readEdit(HWND dialog) {
    GetDlgItemTextA(dialog, IDC_DESTINATION_EDIT, runState.settings.destination, kPathSize);
}

INT_PTR CALLBACK destinationProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            dialogArchiveName = reinterpret_cast<const char*>(lParam);
            SetDlgItemTextA(dialog, IDC_DESTINATION_EDIT, runState.settings.destination);
            return TRUE;
        case WM_COMMAND:
            switch (wParam) {
                case IDOK:
                    readEdit(dialog);
                    EndDialog(dialog, 1);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 2);
                    return TRUE;
                case IDC_DESTINATION_BROWSE:
                    readEdit(dialog);
                    if (browseForFolder(dialog, runState.settings.destination)) {
                        SetDlgItemTextA(dialog, IDC_DESTINATION_EDIT,
                                        runState.settings.destination);
                    }
                    return TRUE;
                case IDC_DESTINATION_ARCHIVE_FOLDER: {
                    readEdit(dialog);
                    bool ticked = IsDlgButtonChecked(dialog, IDC_DESTINATION_ARCHIVE_FOLDER) != 0;
                    // A join too long for the destination is refused: the box goes back to clear.
                    if (!applyArchiveFolderBox(runState.settings.destination, dialogArchiveName,
                                               ticked)) {
                        CheckDlgButton(dialog, IDC_DESTINATION_ARCHIVE_FOLDER, BST_UNCHECKED);
                    }
                    SetDlgItemTextA(dialog, IDC_DESTINATION_EDIT, runState.settings.destination);
                    return TRUE;
                }
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

int showDestinationDialog(const char* archiveName) {
    return int(DialogBoxParamA(static_cast<HINSTANCE>(platform::moduleInstance),
                               MAKEINTRESOURCEA(IDD_DESTINATION), nullptr, destinationProcedure,
                               reinterpret_cast<LPARAM>(archiveName)));
}

}  // namespace tamrix
