#include "tests/tool/tool_fixture.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace tamrix::test {

namespace fs = std::filesystem;

void ToolCommandTest::SetUp() {
    char pattern[] = "/tmp/tamrix-cmd-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
}

void ToolCommandTest::TearDown() {
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root, ignored);
}

ToolResult ToolCommandTest::tamrix(const std::string& arguments, const std::string& input,
                                   const std::string& environment) {
    const std::string command = "cd '" + root.string() + "' && " + environment + " exec " +
                                TAMRIX_TOOL + " " + arguments + " <" +
                                (input.empty() ? "/dev/null" : input) + " >.stdout 2>.stderr";
    const int status = std::system(command.c_str());
    ToolResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    Bytes out = read(".stdout"), err = read(".stderr");
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    fs::remove(root / ".stdout");
    fs::remove(root / ".stderr");
    return result;
}

void ToolCommandTest::write(const std::string& name, const Bytes& data) {
    fs::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

void ToolCommandTest::writeText(const std::string& name, const std::string& text) {
    write(name, Bytes(text.begin(), text.end()));
}

Bytes ToolCommandTest::read(const std::string& name) const {
    std::ifstream in(root / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ToolCommandTest::filesBelow(const std::string& folder) const {
    std::vector<std::string> names;
    if (!fs::is_directory(root / folder)) return names;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
        if (entry.is_regular_file())
            names.push_back(fs::relative(entry.path(), root / folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bytes storedCabinetOf(const std::vector<std::pair<std::string, Bytes>>& contents) {
    StoredLayout layout = layOutStored(contents);
    TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    return buildCabinet(plan);
}

}  // namespace tamrix::test
