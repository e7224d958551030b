// Signed packages: signed by `tamrix pack --sign-...` and by osslsigncode on its own, verified by
// osslsigncode, run through the stub's flow, and broken by any change outside the signature.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/package_layout.h"
#include "pack/package_builder.h"
#include "pack/stub_signature.h"
#include "package/crc_range.h"
#include "tests/pack/pack_fixtures.h"
#include "tests/support/byte_fields.h"

namespace tamrix {
namespace {

std::string text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class SigningTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stub = test::builtStubPath();
        if (stub.empty()) GTEST_SKIP() << "TAMRIX_STUB not set";
        // CI installs both (scripts/install_deps.sh): their absence is a failure, not a skip.
        ASSERT_EQ(0,
                  test::runProgram("sh", {"-c", "command -v openssl && command -v osslsigncode"}))
            << "openssl and osslsigncode are needed (scripts/install_deps.sh)";
        std::string output;
        ASSERT_EQ(0, test::runProgram("openssl",
                                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days",
                                       "2", "-subj", "/CN=tamrix test", "-keyout",
                                       folder.host("key.pem"), "-out", folder.host("cert.pem")},
                                      &output))
            << output;
        mkdir(folder.host("tree").c_str(), 0755);
        std::string script = "#!/bin/sh\necho ran > ran.txt\n";
        test::writeFile(folder.host("tree/setup.exe"), {script.begin(), script.end()});
        test::writeFile(folder.host("tree/readme.txt"), test::textBytes(30000));
        test::writeFile(folder.host("answers"), {});
    }

    // A package that extracts to out/ without asking and then runs setup.exe.
    int pack(const std::string& name, std::vector<std::string> extra = {},
             std::string* output = nullptr, const std::string& environment = "") {
        std::vector<std::string> args = {"pack",
                                         "--stub",
                                         stub,
                                         "-o",
                                         folder.host(name),
                                         "-q",
                                         "--setup",
                                         "setup.exe",
                                         "--destination",
                                         folder.windows("out"),
                                         "--no-dialog",
                                         "--auto-confirm"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(folder.host("tree"));
        return test::runTool(args, output, environment);
    }

    std::vector<std::string> signOptions() const {
        return {"--sign-cert", folder.host("cert.pem"), "--sign-key", folder.host("key.pem")};
    }

    bool verifies(const std::string& name) {
        std::string output;
        int status = test::runProgram(
            "osslsigncode",
            {"verify", "-CAfile", folder.host("cert.pem"), "-in", folder.host(name)}, &output);
        if (status != 0) ADD_FAILURE() << output;
        return status == 0;
    }

    // Runs the package's flow; returns the transcript. *setupRan: whether setup.exe left its mark
    // (waited for up to 3 s when it is expected, 0.2 s otherwise). A CRC stop ends the run with
    // exit code 1, a run that did what it was asked with 0.
    std::string runPackage(const std::string& name, bool* setupRan, int exitCode = 0) {
        bool expected = *setupRan;
        std::string marker = folder.host("out/ran.txt");
        unlink(marker.c_str());
        std::string output;
        EXPECT_EQ(exitCode,
                  test::runTool({"run", "--ui", "script:" + folder.host("answers"), "--transcript",
                                 folder.host("transcript.txt"), folder.host(name)},
                                &output))
            << output;
        struct stat facts;
        bool ran = false;
        for (int i = 0; i < (expected ? 300 : 20) && !ran; ++i) {
            ran = stat(marker.c_str(), &facts) == 0;
            if (!ran) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        *setupRan = ran;
        return text(test::readFile(folder.host("transcript.txt")));
    }

    std::string info(const std::string& name) {
        std::string output;
        test::runTool({"info", folder.host(name)}, &output);
        return output;
    }

    // The package as the stub sees its signature.
    CertificateTable tableOf(const std::string& name) {
        std::vector<uint8_t> bytes = test::readFile(folder.host(name));
        return findCertificateTable(bytes.data(), uint32_t(bytes.size()));
    }

    test::TempFolder folder;
    std::string stub;
};

TEST_F(SigningTest, SignedBothWaysTheyVerifyAndRunTheirSetup) {
    std::string output;
    ASSERT_EQ(0, pack("plain.exe")) << output;
    ASSERT_EQ(0, pack("tool.exe", signOptions(), &output)) << output;
    ASSERT_EQ(0, test::runProgram(
                     "osslsigncode",
                     {"sign", "-certs", folder.host("cert.pem"), "-key", folder.host("key.pem"),
                      "-in", folder.host("plain.exe"), "-out", folder.host("direct.exe")},
                     &output))
        << output;
    std::vector<uint8_t> plain = test::readFile(folder.host("plain.exe"));
    EXPECT_EQ(0u, plain.size() % 8);
    for (const char* name : {"tool.exe", "direct.exe"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(verifies(name));
        // The signer appended its table right behind the package: it had nothing to align.
        EXPECT_EQ(plain.size(), tableOf(name).offset);
        std::vector<uint8_t> bytes = test::readFile(folder.host(name));
        EXPECT_TRUE(std::equal(plain.begin() + long(test::readFile(stub).size()), plain.end(),
                               bytes.begin() + long(test::readFile(stub).size())));
        bool setupRan = true;
        std::string transcript = runPackage(name, &setupRan);
        EXPECT_NE(std::string::npos, transcript.find("window 103 shown")) << transcript;
        EXPECT_EQ(std::string::npos, transcript.find("CRC check error!")) << transcript;
        EXPECT_TRUE(setupRan) << transcript;
        EXPECT_EQ(0, test::runTool({"test", "-q", folder.host(name)}, &output)) << output;
        std::string facts = info(name);
        EXPECT_NE(std::string::npos, facts.find("signed: yes\n")) << facts;
        EXPECT_NE(std::string::npos, facts.find("crcValid: yes\n")) << facts;
        EXPECT_NE(std::string::npos, facts.find("crcEnd: " + std::to_string(plain.size()) + "\n"))
            << facts;
    }
    std::string facts = info("plain.exe");
    EXPECT_NE(std::string::npos, facts.find("signed: no\n")) << facts;
    EXPECT_NE(std::string::npos, facts.find("crcEnd: " + std::to_string(plain.size()) + "\n"));
}

TEST_F(SigningTest, ChangesOutsideTheSignatureFailTheCrc) {
    ASSERT_EQ(0, pack("signed.exe", signOptions()));
    std::vector<uint8_t> bytes = test::readFile(folder.host("signed.exe"));
    std::vector<uint8_t> flipped = bytes;
    flipped[test::readFile(stub).size() + 512 + 100] ^= 0x20;  // inside the cabinet
    test::writeFile(folder.host("flipped.exe"), flipped);
    std::vector<uint8_t> appended = bytes;
    appended.insert(appended.end(), {'x', 'y', 'z'});
    test::writeFile(folder.host("appended.exe"), appended);
    for (const char* name : {"flipped.exe", "appended.exe"}) {
        SCOPED_TRACE(name);
        bool setupRan = false;
        std::string transcript = runPackage(name, &setupRan, 1);
        EXPECT_NE(std::string::npos, transcript.find("CRC check error!")) << transcript;
        EXPECT_FALSE(setupRan);
        std::string output;
        EXPECT_EQ(1, test::runTool({"test", folder.host(name)}, &output));
        EXPECT_NE(std::string::npos, output.find("CRC check error")) << output;
        EXPECT_NE(std::string::npos, info(name).find("crcValid: no\n"));
    }
}

TEST_F(SigningTest, APasswordATimestampServerAndFailedSigning) {
    std::string output;
    test::writeFile(folder.host("pass.txt"), {'s', 'e', 'c', 'r', 'e', 't', '\n'});
    ASSERT_EQ(
        0, test::runProgram("openssl",
                            {"pkey", "-in", folder.host("key.pem"), "-aes256", "-passout",
                             "file:" + folder.host("pass.txt"), "-out", folder.host("locked.pem")},
                            &output))
        << output;
    ASSERT_EQ(0, pack("locked.exe",
                      {"--sign-cert", folder.host("cert.pem"), "--sign-key",
                       folder.host("locked.pem"), "--sign-pass-file", folder.host("pass.txt")},
                      &output))
        << output;
    EXPECT_TRUE(verifies("locked.exe"));

    // A failed signing leaves no package and keeps the old one; the signer's words are shown.
    mkdir(folder.host("keep").c_str(), 0755);
    test::writeFile(folder.host("keep/p.exe"), {'o', 'l', 'd'});
    EXPECT_EQ(
        1, pack("keep/p.exe",
                {"--sign-cert", folder.host("cert.pem"), "--sign-key", folder.host("locked.pem")},
                &output));
    EXPECT_NE(std::string::npos, output.find("signing failed")) << output;
    EXPECT_EQ(std::vector<std::string>{"p.exe"}, test::folderListing(folder.host("keep")));
    EXPECT_EQ("old", text(test::readFile(folder.host("keep/p.exe"))));

    // Without osslsigncode on PATH nothing is built.
    EXPECT_EQ(1, pack("keep/p.exe", signOptions(), &output, "PATH=" + folder.host("none")));
    EXPECT_NE(std::string::npos, output.find("osslsigncode is not on PATH")) << output;
    EXPECT_EQ(std::vector<std::string>{"p.exe"}, test::folderListing(folder.host("keep")));

    // The password file and the time-stamp server reach the signer.
    mkdir(folder.host("bin").c_str(), 0755);
    std::string fake =
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\necho no server >&2\nexit 1\n";
    test::writeFile(folder.host("bin/osslsigncode"), {fake.begin(), fake.end()});
    chmod(folder.host("bin/osslsigncode").c_str(), 0755);
    std::vector<std::string> options = signOptions();
    options.insert(options.end(), {"--sign-pass-file", folder.host("pass.txt"), "--timestamp",
                                   "http://127.0.0.1:9/tsa"});
    EXPECT_EQ(1, pack("keep/p.exe", options, &output, "PATH=" + folder.host("bin") + ":$PATH"));
    EXPECT_NE(std::string::npos, output.find("no server")) << output;
    std::string args = text(test::readFile(folder.host("bin/osslsigncode.args")));
    EXPECT_NE(std::string::npos, args.find("-readpass\n" + folder.host("pass.txt") + "\n")) << args;
    EXPECT_NE(std::string::npos, args.find("-ts\nhttp://127.0.0.1:9/tsa\n")) << args;
    EXPECT_EQ(std::vector<std::string>{"p.exe"}, test::folderListing(folder.host("keep")));
}

TEST_F(SigningTest, AStubSignedOnItsOwnIsPackedAsBeforeSigning) {
    std::vector<uint8_t> original = test::readFile(stub);
    // The stored checksum is what peChecksum computes, so a stripped stub gets it back.
    uint32_t pe = test::get16(original, 0x3C);
    uint32_t stored = test::get32(original, pe + 88);
    EXPECT_EQ(stored, pack::peChecksum(original));

    std::string output;
    ASSERT_EQ(0, test::runProgram(
                     "osslsigncode",
                     {"sign", "-certs", folder.host("cert.pem"), "-key", folder.host("key.pem"),
                      "-in", stub, "-out", folder.host("signed-stub.exe")},
                     &output))
        << output;
    std::vector<uint8_t> loaded;
    std::string error;
    bool dropped = false;
    ASSERT_TRUE(pack::loadStub(folder.host("signed-stub.exe"), &loaded, &error, &dropped)) << error;
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(loaded == original);

    ASSERT_EQ(0, pack("from-original.exe"));
    std::string signedStub = folder.host("signed-stub.exe");
    ASSERT_EQ(0, test::runTool({"pack", "--stub", signedStub, "-o", folder.host("noted.exe"),
                                folder.host("tree")},
                               &output));
    EXPECT_NE(std::string::npos, output.find("signature is left out")) << output;
    std::swap(stub, signedStub);
    ASSERT_EQ(0, pack("from-signed.exe"));
    EXPECT_TRUE(test::readFile(folder.host("from-original.exe")) ==
                test::readFile(folder.host("from-signed.exe")));

    // A signed package is no stub: its table lies behind a cabinet, not behind the image.
    EXPECT_FALSE(pack::loadStub(folder.host("from-signed.exe"), &loaded, &error));
}

}  // namespace
}  // namespace tamrix
