// Keeps a build from eating its own inputs or output: the output may not be one of the files
// read, and a folder being packed that holds the output (or the cabinets of its set, or its
// temporary file from a build in progress) does not pack it.
#pragma once

#include <string>
#include <vector>

#include "pack/cabinet_entry.h"

namespace tamrix::pack {

// False with a message when output names the same file as one of the inputs.
bool refuseOverwritingInput(const std::string& output, const std::vector<std::string>& inputs,
                            std::string* error);

// Drops the entries whose file is the output, a later cabinet of its set (STEM2.cab, ...) or
// one of its temporary files, each with a note.
void dropOutputFiles(const std::string& output, std::vector<CabinetEntry>* entries,
                     std::vector<std::string>* notes);

}  // namespace tamrix::pack
