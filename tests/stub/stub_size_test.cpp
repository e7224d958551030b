// The stub is what every package carries: it stays within 60 KiB (58.5 KiB with all three decoders,
// optimised at link time; the guard leaves 1.5 KiB of room), and its link pulls in neither
// the C++ runtime's exception and unwinding machinery (which alone would triple it) nor the
// runtime library's C99 formatter (a third of it).
#include <fstream>
#include <sstream>

#include "tests/stub/built_stub.h"
#include "tests/support/temp_folder.h"

namespace tamrix::test {
namespace {

TEST_F(BuiltStubTest, StaysWithin60KiB) {
    RecordProperty("stub_bytes", int(stub->bytes.size()));
    EXPECT_LE(stub->bytes.size(), 60u * 1024);
}

// The link map beside the stub names every archive member the link took.
TEST_F(BuiltStubTest, LinksNoRuntimeExceptionMachinery) {
    std::string path = builtStubPath();
    std::ifstream map(path.substr(0, path.rfind('.')) + ".map");
    ASSERT_TRUE(map) << "no link map beside the stub: the win32 build writes it";
    std::string line;
    std::ostringstream heavy;
    while (std::getline(map, line)) {
        if (line.empty() || line[0] == ' ') continue;  // members start their line
        // libstdc++'s and libgcc's exception support, and the runtime library's C99 formatter.
        for (const char* member :
             {"libstdc++.a(", "libsupc++.a(", "libgcc_eh.a(", "mingw_pformat.o)"}) {
            if (line.find(member) != std::string::npos) heavy << "\n  " << line;
        }
        if (line.rfind("Discarded input sections", 0) == 0) break;
    }
    EXPECT_EQ("", heavy.str()) << "the stub links runtime library members:";
}

}  // namespace
}  // namespace tamrix::test
