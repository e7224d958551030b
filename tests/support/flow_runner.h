// Runs the stub's whole flow on a package file through the scripted interface, as `tamrix run`
// does, and hands back the transcript.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/pe_image.h"

namespace tamrix::test {

// The image a test package starts with: the built stub when TAMRIX_STUB names it, else a small
// PE image of our own.
std::vector<uint8_t> stubImage();

// stub + header + cabinet; header.cabinetCrc is filled with the cabinet's CRC-32 when crc is true.
std::vector<uint8_t> makePackage(const std::vector<uint8_t>& cabinet, HeaderFields header,
                                 bool crc = true);

struct FlowResult {
    int exitCode = -1;  // the stub's
    std::string transcript;
    std::vector<std::string> lines;
    // True when some transcript line contains `fragment`.
    bool saw(const std::string& fragment) const;
    // The number of lines that contain `fragment`.
    int count(const std::string& fragment) const;
};

// Called when the flow asks for a missing next cabinet, before the script answers.
using CabinetMissingHook = std::function<void(const std::string& cabinetName)>;

// answers: the script, one answer per element. tail: the stub's command-line tail.
FlowResult runFlow(const std::string& packageHostPath, const std::vector<std::string>& answers,
                   const std::string& tail = "", const CabinetMissingHook& onCabinetMissing = {});

// The same, with the whole command line (ANSI, program name first) read as the stub's entry does.
FlowResult runFlowWithCommandLine(const std::string& packageHostPath,
                                  const std::vector<std::string>& answers,
                                  const std::string& commandLine);

}  // namespace tamrix::test
