// Folder macros at the start of a package's stored destination: "%Desktop%", "%MyDocuments%",
// "%ProgramFiles%", "%SystemDir%", "%WinDir%" and "%temp%", case-sensitive.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace tamrix {

constexpr uint32_t kResolvedFolderSize = 256;

// Writes the header's destination into out (260 bytes) with its macro replaced by the folder it
// stands for; leaves out unchanged when destination is empty. Returns 1 when the run uses a
// folder of its own in the temporary folder ("%temp%" alone with deleteAfterSetup on: the
// temporary folder, "~" and the package's file name), else 0. A macro that cannot be resolved,
// or whose folder and rest would not fit in out, leaves only the rest after the macro.
int expandFolderMacro(char* out, const char* destination, uint32_t deleteAfterSetup,
                      const char* packagePath);

// Reads a text value of the registry into out (size bytes). Returns 1 when it was read and is
// not empty; otherwise 0 with out empty (a missing or too long value, a key that does not open).
int readShellFolder(platform::RegistryRoot root, const char* keyPath, char* out,
                    const char* valueName, uint32_t size = kResolvedFolderSize);

}  // namespace tamrix
