// Shared helpers of the package builder's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/cabinet_writer.h"
#include "tests/support/temp_folder.h"

namespace tamrix::test {

// Deterministic test data: text that compresses, and bytes that do not.
std::vector<uint8_t> textBytes(size_t size, uint32_t seed = 1);
std::vector<uint8_t> noiseBytes(size_t size, uint32_t seed = 1);

// Writes bytes to a file in the folder and returns its entry, stored under name.
pack::CabinetEntry makeEntry(const TempFolder& folder, const std::string& name,
                             const std::vector<uint8_t>& bytes);

// Plans and writes a cabinet to a file in the folder and returns its bytes (empty on failure).
std::vector<uint8_t> writeCabinetBytes(const TempFolder& folder,
                                       const std::vector<pack::CabinetEntry>& entries,
                                       const pack::CabinetOptions& options);

// A minimal stub: a PE image of three sections whose raw data ends at the end of the file.
std::vector<uint8_t> testStub();

// Runs the tamrix tool with the arguments (each quoted for the shell) and an optional
// environment prefix such as "SOURCE_DATE_EPOCH=0"; returns its exit status, its output in out.
int runTool(const std::vector<std::string>& args, std::string* out = nullptr,
            const std::string& environment = "");

// The same for any program (looked up on PATH when it has no slash).
int runProgram(const std::string& program, const std::vector<std::string>& args,
               std::string* out = nullptr, const std::string& environment = "");

// Names of the entries of a folder, sorted ("." and ".." left out).
std::vector<std::string> folderListing(const std::string& hostPath);

}  // namespace tamrix::test
