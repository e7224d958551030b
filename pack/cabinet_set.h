// The cabinet layout after compression: reserved areas, and sets whose cabinets stay below a
// size, with a folder continued from one cabinet into the next.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/cabinet_writer.h"

namespace tamrix::pack {

struct LayoutOptions {
    // 0: one cabinet. Otherwise no cabinet of the set grows past this many bytes.
    uint64_t maxCabinetSize = 0;
    bool reserve = false;  // the reserve-size record is written (even for sizes 0,0,0)
    uint16_t headerReserve = 0;
    uint8_t folderReserve = 0;
    uint8_t dataReserve = 0;

    // The plain writer does without this one.
    bool needed() const { return maxCabinetSize != 0 || reserve; }
};

// Parses "HEADER,FOLDER,BLOCK" (at most 60000, 255, 255 bytes).
bool parseReserve(const std::string& text, LayoutOptions* options, std::string* error);

// Where the cabinets of a set go: the first into `first` at its current position, the n-th
// (n >= 2) into folder/stem + n + ".cab". firstName is the first cabinet's file name, written
// into the second as its previous cabinet.
struct SetTarget {
    OutputFile* first = nullptr;
    std::string firstName;
    std::string folder;
    std::string stem;
};

// The target for an output file: its folder, its file name, its name without the extension.
SetTarget setTargetFor(const std::string& outputPath, OutputFile* first);

// The name of the n-th cabinet (n counted from 1) and its host path.
std::string setCabinetName(const SetTarget& target, size_t n);

struct SetResult {
    std::vector<uint64_t> sizes;       // of each cabinet
    std::vector<std::string> written;  // host paths of the cabinets after the first
};

// Compresses the planned folders, lays them out in cabinets of at most maxCabinetSize bytes
// (cut between data blocks; a folder that does not fit goes on as the first folder of the next
// cabinet) and writes them. The cabinets after the first are committed when all are written;
// the first stays with the caller's output. False with a message when one data block with the
// tables it needs does not fit in a cabinet of that size.
bool writeCabinetSet(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                     const LayoutOptions& layout, const CabinetPlan& plan, const SetTarget& target,
                     SetResult* result, std::string* error);

}  // namespace tamrix::pack
