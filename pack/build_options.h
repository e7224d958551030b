// The options that `tamrix cab` and `tamrix pack` share: what goes into the cabinet and how.
#pragma once

#include <string>
#include <vector>

#include "pack/cabinet_set.h"
#include "pack/cabinet_writer.h"
#include "pack/input_files.h"

namespace tamrix::pack {

struct BuildOptions {
    CabinetOptions cabinet;
    InputOptions input;
    LayoutOptions layout;
    bool quiet = false;
    // The file being built: never packed itself (nor the rest of its set) when it lies inside a
    // folder being packed.
    std::string outputPath;
};

enum class OptionResult { Applied, Unknown, Failed };

// Applies one option by its name without the dashes ("compress", "level", "jobs",
// "folder-size", "no-checksums", "codepage", "max-cabinet-size", "reserve", "quiet"); flags take
// "yes" or "no".
OptionResult applyBuildOption(const std::string& name, const std::string& value,
                              BuildOptions* options, std::string* error);

// Sizes such as 1048576, 512K, 64M, 1G.
bool parseByteCount(const std::string& text, uint64_t* value);

// True for the options that take a value.
bool isBuildValueOption(const std::string& name);

// False with a message for options that exclude each other.
bool checkBuildOptions(const BuildOptions& options, std::string* error);

// Gathers the inputs, leaves the output out, and lays out their cabinet (see collectEntries and
// planCabinet). A set is planned as one folder that runs through all its cabinets.
bool prepareCabinet(const std::vector<std::string>& inputs, const BuildOptions& options,
                    uint64_t sizeLimit, std::vector<CabinetEntry>* entries, CabinetPlan* plan,
                    std::string* error);

// One line for the user: "12 files (3456 bytes) in 1 folder, mszip".
std::string describeCabinet(const std::vector<CabinetEntry>& entries, const CabinetPlan& plan,
                            const CabinetOptions& options);

}  // namespace tamrix::pack
