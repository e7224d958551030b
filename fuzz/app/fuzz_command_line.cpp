// Arbitrary command-line tails through the tail isolation and the option and path parser.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/run_state.h"
#include "state/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.c_str();  // the tail ends at its first NUL, as a command line does
    tamrix::resetRunState();
    char packagePath[tamrix::kPathSize];
    tamrix::parseCommandLine(tamrix::isolateCommandTail(line.c_str()), packagePath);
    if (std::strlen(packagePath) >= tamrix::kPathSize) __builtin_trap();
    return 0;
}
