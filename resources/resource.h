// The ids of the program's resources: the resource script (tamrix.rc) includes this file, and the
// code names its dialogs, controls, icons and strings by it. The resource compiler reads it too,
// so it holds #define lines only. It includes nothing and sits below every layer, so the Linux
// dialogs of the platform layer can name the controls they stand in for.
#pragma once

// Dialogs.
#define IDD_CRC_CHECK 103    // the integrity check's box, no caption
#define IDD_DESTINATION 202  // where to extract
#define IDD_REPLACE 2007     // whether to replace an existing file
#define IDD_PROGRESS 2008    // the extraction's progress window

// Controls. The dialogs' buttons OK, Cancel, Yes and No carry the system's ids.
#define IDC_STATIC (-1)
// In IDD_CRC_CHECK.
#define IDC_CRC_BAR 1004
// In IDD_DESTINATION.
#define IDC_DESTINATION_BROWSE 1000
#define IDC_DESTINATION_EDIT 1001
#define IDC_DESTINATION_ARCHIVE_FOLDER 1012
// In IDD_REPLACE.
#define IDC_REPLACE_YES_TO_ALL 1003
#define IDC_REPLACE_NEWER 1004
#define IDC_REPLACE_EXISTING_DETAILS 1005
#define IDC_REPLACE_CANCEL 1007
#define IDC_REPLACE_NEW_DETAILS 1008
#define IDC_REPLACE_NAME 1009  // the name template, filled with the file's name
#define IDC_REPLACE_EXISTING_ICON 1010
#define IDC_REPLACE_NEW_ICON 1011
// In IDD_PROGRESS.
#define IDC_PROGRESS_BAR 1004
#define IDC_PROGRESS_FILE_NAME 1006

// Icons. The program's icon has the lowest id, so the shell shows it for the file.
#define IDI_PROGRAM 200
#define IDI_REPLACE 205  // the picture in IDD_REPLACE

// The application manifest (the id the loader reads a program's manifest from) and the version
// information.
#define IDR_MANIFEST 1
#define IDR_VERSION 1

// The string table, ids 1 to 12 (texts in string_table.inc).
#define IDS_CANNOT_CREATE_FILE 1
#define IDS_CANNOT_OPEN_ARCHIVE 2
#define IDS_UNSUPPORTED_FORMAT 3
#define IDS_CREATE_FOLDER_QUESTION 4
#define IDS_CANNOT_CREATE_FOLDER_SHORT 5
#define IDS_INVALID_FILE_NAME 6
#define IDS_CANNOT_CREATE_FOLDER 7
#define IDS_CRC_ERROR 8
#define IDS_FILE_DETAILS 9
#define IDS_INVALID_PATH 10
#define IDS_EXTRACTION_FAILED 11
#define IDS_NEXT_CABINET_MISSING 12
#define IDS_LAST IDS_NEXT_CABINET_MISSING
