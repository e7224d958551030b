// Gathers the files named on the command line into cabinet entries.
#pragma once

#include <string>
#include <vector>

#include "pack/cabinet_entry.h"

namespace tamrix::pack {

struct InputOptions {
    int codePage = 1252;  // the code page the stored names are written in
};

// A file is stored under its own name, a folder's files under their paths relative to that
// folder, each folder's entries in byte order of their names, so the same tree always yields the
// same list. Dates come from the files' modification times in local time, or all from
// SOURCE_DATE_EPOCH (in UTC) when it is set. Read-only files (no owner write bit) get 0x01; every
// file gets the archive bit. Symbolic links to files are followed; links to folders inside a
// walked folder are passed over with a note, so a walk never loops. False with a message for a
// path that cannot be read, a name the code page cannot hold or Windows cannot use, two entries
// whose names differ only in case, or anything that is neither a file nor a folder.
bool collectEntries(const std::vector<std::string>& paths, const InputOptions& options,
                    std::vector<CabinetEntry>* entries, std::vector<std::string>* notes,
                    std::string* error);

// Why a path component cannot be a Windows file name, or empty when it can.
std::string windowsNameProblem(const std::string& component);

}  // namespace tamrix::pack
