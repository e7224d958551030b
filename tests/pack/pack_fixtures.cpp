#include "tests/pack/pack_fixtures.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/pe_image.h"

namespace tamrix::test {

namespace {
uint32_t next(uint32_t* state) {
    *state = *state * 1103515245u + 12345u;
    return *state >> 8;
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}
}  // namespace

std::vector<uint8_t> textBytes(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"cabinet ",    "folder ", "block ", "the ",  "stub ",
                                         "package\r\n", "window ", "of ",    "data ", "header "};
    std::vector<uint8_t> bytes;
    bytes.reserve(size + 16);
    while (bytes.size() < size) {
        const char* word = kWords[next(&seed) % 10];
        bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
    }
    bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> noiseBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = uint8_t(next(&seed));
    return bytes;
}

pack::CabinetEntry makeEntry(const TempFolder& folder, const std::string& name,
                             const std::vector<uint8_t>& bytes) {
    std::string host = folder.host("in-" + std::to_string(std::hash<std::string>()(name)));
    writeFile(host, bytes);
    pack::CabinetEntry entry;
    entry.sourcePath = host;
    entry.name = name;
    entry.size = bytes.size();
    entry.date = 0x5A21;
    entry.time = 0x6000;
    return entry;
}

std::vector<uint8_t> writeCabinetBytes(const TempFolder& folder,
                                       const std::vector<pack::CabinetEntry>& entries,
                                       const pack::CabinetOptions& options) {
    pack::CabinetPlan plan;
    std::string error;
    pack::OutputFile out;
    pack::CabinetResult result;
    std::string path = folder.host("written.cab");
    if (!pack::planCabinet(entries, options, 0xFFFFFFFFu, &plan, &error) ||
        !out.open(path, &error) ||
        !pack::writeCabinet(entries, options, plan, &out, &result, &error) ||
        !out.commit(0644, &error)) {
        ADD_FAILURE() << error;
        return {};
    }
    std::vector<uint8_t> bytes = readFile(path);
    EXPECT_EQ(result.size, bytes.size());
    return bytes;
}

std::vector<uint8_t> testStub() {
    return makePeImage({{".text", 0x200, 0x400}, {".data", 0x600, 0x200}, {".rsrc", 0x800, 0x200}});
}

int runTool(const std::vector<std::string>& args, std::string* out,
            const std::string& environment) {
    return runProgram(TAMRIX_TOOL, args, out, environment);
}

int runProgram(const std::string& program, const std::vector<std::string>& args, std::string* out,
               const std::string& environment) {
    std::string command = environment + " " + quoted(program);
    for (const std::string& arg : args) command += " " + quoted(arg);
    command += " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char piece[4096];
    size_t got;
    while ((got = fread(piece, 1, sizeof piece, pipe)) > 0) text.append(piece, got);
    int status = pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> folderListing(const std::string& hostPath) {
    std::vector<std::string> names;
    if (DIR* folder = opendir(hostPath.c_str())) {
        while (struct dirent* item = readdir(folder)) {
            std::string name = item->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tamrix::test
