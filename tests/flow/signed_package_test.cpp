// The stub's CRC check on packages that signing has extended with a certificate table.
#include <chrono>
#include <thread>

#include "tests/flow/flow_fixture.h"

namespace tamrix::test {
namespace {

constexpr char kCrcError[] = "text=\"CRC check error!\"";

class SignedPackageTest : public FlowTest {
  protected:
    // A package with a CRC and a setup command, "signed": a table of noise appended and data
    // directory 4 pointing at it, as a signing tool leaves it.
    Bytes signedPackage() {
        HeaderFields header;
        header.destination = folder.windows("out");
        header.skipDestinationDialog = 1;
        header.autoConfirm = 1;
        header.setupCommand = "setup.exe";
        std::string script = "#!/bin/sh\necho ran > ran.txt\n";
        Bytes package = makePackage(
            cabinetOf({{"a.txt", readme}, {"setup.exe", Bytes(script.begin(), script.end())}}),
            header);
        uint32_t tableOffset = uint32_t(package.size());
        Bytes table = patternBytes(1456, 7);
        package.insert(package.end(), table.begin(), table.end());
        setCertificateDirectory(package, tableOffset, uint32_t(table.size()));
        return package;
    }

    FlowResult runPackage(const Bytes& package) {
        writeFile(folder.host("pkg/signed.exe"), package);
        return run(folder.host("pkg/signed.exe"), {"ok"});
    }
};

TEST_F(SignedPackageTest, TheCertificateTableIsLeftOutOfTheCrc) {
    Bytes package = signedPackage();
    FlowResult result = runPackage(package);
    EXPECT_TRUE(result.saw("window 103 shown"));
    EXPECT_FALSE(result.saw(kCrcError));
    EXPECT_EQ(readme, readFile(out("a.txt")));
    // The setup command runs (without waiting for it).
    for (int i = 0; i < 500 && !fileExists(out("ran.txt")); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(fileExists(out("ran.txt")));
}

TEST_F(SignedPackageTest, ChangesOutsideTheTableStillFailTheCheck) {
    Bytes package = signedPackage();
    Bytes flipped = package;
    flipped[stubImage().size() + 512 + 40] ^= 1;  // inside the cabinet's file data
    EXPECT_TRUE(runPackage(flipped).saw(kCrcError));
    EXPECT_FALSE(fileExists(out("a.txt")));  // a setup command follows: the run stops

    Bytes appended = package;
    appended.push_back(0);
    EXPECT_TRUE(runPackage(appended).saw(kCrcError));

    // A directory entry that reaches back over the cabinet is no signature of the package.
    Bytes reaching = package;
    setCertificateDirectory(reaching, uint32_t(stubImage().size()),
                            uint32_t(reaching.size() - stubImage().size()));
    EXPECT_TRUE(runPackage(reaching).saw(kCrcError));
}

}  // namespace
}  // namespace tamrix::test
