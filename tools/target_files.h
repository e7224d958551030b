// Writing extracted files below an output folder: never outside it, never through a symbolic
// link, never left behind half-written (data goes to a temporary name that is renamed at the end).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::tool {

enum class ExistingPolicy { Refuse, Overwrite, Skip };

// LinkedFolder: a folder on the way is a symbolic link already in the output folder, which is
// never written through; *reason names it. FolderInTheWay: a folder has the file's name.
enum class CreateResult { Created, Skipped, Exists, LinkedFolder, FolderInTheWay, Failed };

// Opens the output folder, creating every missing level of it; false with the full path and the
// system's reason (or the file that is in the way) in *reason.
bool openOutputRoot(const char* path, std::string* reason);

// The path of a target below the output folder as the user named that folder, for messages.
std::string outputPathOf(const std::vector<std::string>& components);
void closeOutputRoot();

// Creates the folders of `components` below the root and a temporary file beside the final name.
// On Created, *handle is the file's descriptor; on Failed, *reason says why.
CreateResult createTarget(const std::vector<std::string>& components, ExistingPolicy policy,
                          int32_t* handle, std::string* reason);

// Applies date, time and the read-only bit, closes the file and gives it its final name.
bool finishTarget(int32_t handle, uint16_t date, uint16_t time, uint16_t attributes,
                  std::string* reason);

// The full path a target will have once finished; empty for an unknown handle.
std::string targetPathOf(int32_t handle);

// Closes and removes an unfinished target; false when the handle is not one.
bool discardTarget(int32_t handle);

// Removes every unfinished target (after a failure that bypassed the engine's clean-up).
void discardAllTargets();

}  // namespace tamrix::tool
