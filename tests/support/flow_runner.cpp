#include "tests/support/flow_runner.h"

#include <cstdio>
#include <deque>
#include <sstream>

#include "app/command_line.h"
#include "app/crc_check.h"
#include "app/run_state.h"
#include "app/startup.h"
#include "platform/module.h"
#include "platform/posix/module_file.h"
#include "platform/posix/script_interaction.h"
#include "tests/support/temp_folder.h"

namespace tamrix::test {

std::vector<uint8_t> stubImage() {
    std::string stub = builtStubPath();
    if (!stub.empty()) return readFile(stub);
    return makePeImage({{".text", 0x400, 0x200}, {".rsrc", 0x600, 0x200}});
}

std::vector<uint8_t> makePackage(const std::vector<uint8_t>& cabinet, HeaderFields header,
                                 bool crc) {
    if (crc) header.cabinetCrc = ~updateCrc32(0xFFFFFFFF, cabinet.data(), uint32_t(cabinet.size()));
    std::vector<uint8_t> package = stubImage();
    std::vector<uint8_t> headerBytes = makePackageHeader(header);
    package.insert(package.end(), headerBytes.begin(), headerBytes.end());
    package.insert(package.end(), cabinet.begin(), cabinet.end());
    return package;
}

bool FlowResult::saw(const std::string& fragment) const {
    return count(fragment) > 0;
}

int FlowResult::count(const std::string& fragment) const {
    int n = 0;
    for (const std::string& line : lines) n += line.find(fragment) != std::string::npos;
    return n;
}

namespace {

class HookedScript : public platform::posix::ScriptInteraction {
  public:
    HookedScript(std::deque<std::string> answers, FILE* transcript, CabinetMissingHook hook)
        : ScriptInteraction(std::move(answers), transcript), hook_(std::move(hook)) {}
    bool keepWaitingForCabinet(const char* cabinetName, const char* text) override {
        if (hook_) hook_(cabinetName);
        return ScriptInteraction::keepWaitingForCabinet(cabinetName, text);
    }

  private:
    CabinetMissingHook hook_;
};

// tail: the command-line tail, or null to take it from commandLine as the stub's entry does.
FlowResult runWith(const std::string& packageHostPath, const std::vector<std::string>& answers,
                   const char* tail, const std::string& commandLine,
                   const CabinetMissingHook& onCabinetMissing) {
    FlowResult result;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* transcript = open_memstream(&buffer, &size);
    {
        HookedScript script(std::deque<std::string>(answers.begin(), answers.end()), transcript,
                            onCabinetMissing);
        platform::posix::setInteraction(&script);
        platform::posix::setModuleFile(packageHostPath.c_str());
        resetRunState();
        if (!tail) tail = isolateCommandTail(commandLine.c_str());
        result.exitCode = runStartup(platform::moduleHandle(), tail);
        platform::posix::setInteraction(nullptr);
    }
    std::fclose(transcript);
    result.transcript.assign(buffer, size);
    std::free(buffer);
    std::istringstream in(result.transcript);
    for (std::string line; std::getline(in, line);) result.lines.push_back(line);
    return result;
}

}  // namespace

FlowResult runFlow(const std::string& packageHostPath, const std::vector<std::string>& answers,
                   const std::string& tail, const CabinetMissingHook& onCabinetMissing) {
    return runWith(packageHostPath, answers, tail.c_str(), "", onCabinetMissing);
}

FlowResult runFlowWithCommandLine(const std::string& packageHostPath,
                                  const std::vector<std::string>& answers,
                                  const std::string& commandLine) {
    return runWith(packageHostPath, answers, nullptr, commandLine, {});
}

}  // namespace tamrix::test
