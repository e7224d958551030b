// tamrix list: the plain listing with its totals line, and --json.
#include "tests/support/byte_fields.h"
#include "tests/tool/tool_fixture.h"

namespace tamrix::test {
namespace {

class ListCommand : public ToolCommandTest {};

// Two folders (stored, then LZX-typed) and a last entry that goes on into the next cabinet.
TestCabinet twoFolders() {
    TestCabinet plan;
    plan.nextCabinet = "next.cab";
    plan.nextDisk = "";
    plan.folders.push_back(folderOf(storedBlocks(Bytes(300, 'a'))));
    plan.folders.push_back(folderOf(storedBlocks(Bytes(100, 'b')), 0x1503));
    TestFile quoted{"say \"hi\"\\x.txt", 300, 0, 0};
    quoted.attributes = 0x21;
    TestFile odd{"\x81\x7F\xFF", 0, 0, 1};  // bytes code page 932 does not map
    TestFile running{"run", 100, 0, 0xFFFE};
    plan.files = {quoted, odd, running};
    return plan;
}

TEST_F(ListCommand, PlainListingEndsWithTotals) {
    write("t.cab", buildCabinet(twoFolders()));
    ToolResult run = tamrix("list t.cab");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(run.out.find("       300  2025-01-01 12:00:00  r--a--    say \"hi\"\\x.txt\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(" > run\n"), std::string::npos) << run.out;
    const std::string totals = "\n3 files, 400 bytes\n";
    EXPECT_TRUE(run.out.size() > totals.size() &&
                run.out.compare(run.out.size() - totals.size(), totals.size(), totals) == 0)
        << run.out;
}

TEST_F(ListCommand, JsonHasOneObjectPerFile) {
    write("t.cab", buildCabinet(twoFolders()));
    ToolResult run = tamrix("list --json --codepage 932 t.cab");
    EXPECT_EQ(0, run.status) << run.err;
    const std::string expected =
        "[\n"
        "{\"name\":\"say \\\"hi\\\"\\\\x.txt\",\"size\":300,\"dateTime\":\"2025-01-01T12:00:00\","
        "\"attributes\":33,\"folder\":0,\"compression\":\"none\",\"continuedFromPrevious\":false,"
        "\"continuedIntoNext\":false},\n"
        "{\"name\":\"\xEF\xBF\xBD\\u007F\xEF\xBF\xBD\",\"nameHex\":\"817fff\",\"size\":0,"
        "\"dateTime\":\"2025-01-01T12:00:00\",\"attributes\":32,\"folder\":1,"
        "\"compression\":\"lzx:21\",\"continuedFromPrevious\":false,\"continuedIntoNext\":false},\n"
        "{\"name\":\"run\",\"size\":100,\"dateTime\":\"2025-01-01T12:00:00\",\"attributes\":32,"
        "\"folder\":1,\"compression\":\"lzx:21\",\"continuedFromPrevious\":false,"
        "\"continuedIntoNext\":true}\n"
        "]\n";
    EXPECT_EQ(expected, run.out);

    // A name marked UTF-8 that is UTF-8 converts exactly: no nameHex.
    TestCabinet utf8 = twoFolders();
    utf8.files = {TestFile{"\xE6\x97\xA5", 1, 0, 0}};
    utf8.files[0].attributes = 0xA0;
    write("u.cab", buildCabinet(utf8));
    run = tamrix("list --json u.cab");
    EXPECT_NE(run.out.find("{\"name\":\"\xE6\x97\xA5\",\"size\":1,"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("nameHex"), std::string::npos) << run.out;

    // Nothing there: an empty array, and the failure.
    writeText("none.cab", "no cabinet here");
    run = tamrix("list --json none.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("[\n]\n", run.out);
}

// The search for a package's cabinet wants four zero bytes behind the signature; a plain cabinet
// with other bytes there is still read from its start, by the listing and by the folder table.
TEST_F(ListCommand, PlainCabinetWithBytesBehindItsSignatureIsRead) {
    Bytes cabinet = buildCabinet(twoFolders());
    put32(cabinet, 4, 0xDEADBEEF);
    write("r.cab", cabinet);
    ToolResult run = tamrix("list --json r.cab");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(run.out.find("\"name\":\"run\",\"size\":100"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"compression\":\"lzx:21\""), std::string::npos) << run.out;

    // Not a cabinet at all: the same bytes without the signature word.
    put32(cabinet, 0, 0x4643534E);
    write("n.cab", cabinet);
    run = tamrix("list n.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(run.err.find("no cabinet found"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tamrix::test
