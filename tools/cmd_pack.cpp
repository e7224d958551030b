// tamrix pack --stub STUB -o PACKAGE [options] (--cab CABINET | FILE-OR-FOLDER ...): a package
// made of the stub, its header and a cabinet.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pack/build_options.h"
#include "pack/code_signing.h"
#include "pack/interrupt_cleanup.h"
#include "pack/output_guard.h"
#include "pack/package_builder.h"
#include "pack/package_settings.h"
#include "pack/progress_line.h"
#include "pack/setting_keys.h"
#include "tools/commands.h"

namespace tamrix::tool {

namespace {

constexpr const char* kUsage =
    "usage: tamrix pack [--stub STUB] -o PACKAGE [options] (--cab CABINET | [--] FILE-OR-FOLDER "
    "...)\n"
    "\n"
    "Makes a package: the stub, its header and a cabinet of the files (or the given cabinet).\n"
    "Without --stub, the stub installed with the tool (share/tamrix/tamrix-stub.exe) is used.\n"
    "The output may not be one of the inputs, and inside a folder being packed it is left out.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n"
    "\n"
    "cabinet:\n"
    "  --compress none|mszip|lzx[:15..21]|quantum[:10..21]   (default mszip)\n"
    "  --level fast|normal|max|1..9   how hard to compress: fast is 1, normal 6 (the\n"
    "                        default), max 9\n"
    "  -j N                  compress on N threads (default: one per core); the package is\n"
    "                        the same for any N\n"
    "  --folder-size BYTES   start a new folder before it grows past BYTES (512K, 64M, ...)\n"
    "  --max-cabinet-size BYTES\n"
    "                        split into a set: the package holds the first cabinet of at most\n"
    "                        BYTES, NAME2.cab, NAME3.cab, ... lie beside it (NAME: PACKAGE "
    "without\n"
    "                        its extension); the stub asks for a missing one\n"
    "  --reserve HEADER,FOLDER,BLOCK\n"
    "                        reserved areas of these sizes (at most 60000,255,255), zero-filled\n"
    "  --no-checksums        leave the data blocks without checksums\n"
    "  --codepage N|utf-8    code page of names and texts in the package (default 1252); a name\n"
    "                        the code page cannot hold is stored as UTF-8 with the UTF-8 name\n"
    "                        attribute (utf-8: every name; header texts are then kept as UTF-8)\n"
    "header:\n"
    "  --destination TEXT    folder to extract to (259 bytes; may start with %temp% etc.)\n"
    "  --setup TEXT          command run after extraction (127 bytes)\n"
    "  --caption TEXT        caption of the start-up question (31 bytes)\n"
    "  --question TEXT       start-up question, asked with Yes and No (63 bytes)\n"
    "  --auto-confirm        create the destination and replace files without asking\n"
    "  --no-open-folder      do not open the destination folder afterwards\n"
    "  --delete-after-setup  delete the extracted files once the setup command has ended\n"
    "  --no-dialog           do not show the destination dialog\n"
    "  --no-crc              store no CRC-32 of the cabinet (the stub then checks nothing)\n"
    "  --from FILE           read settings from a 'key = value' file (keys: the option names\n"
    "                        without dashes; flags take yes or no)\n"
    "signing (through osslsigncode on PATH, before the package takes its name):\n"
    "  --sign-cert FILE      certificate (chain) to sign the package with\n"
    "  --sign-key FILE       its private key\n"
    "  --sign-pass-file FILE the key's password\n"
    "  --timestamp URL       time-stamp the signature at this RFC 3161 server\n"
    "  -o, --output PACKAGE  the package to write\n"
    "  -q, --quiet           print nothing on success\n"
    "  --                    end of options\n";

struct PackCommand {
    pack::BuildOptions build;
    pack::PackageSettings settings;
    pack::SigningOptions signing;
    std::string stub;
    std::string output;
    std::string cabinet;
    std::vector<std::string> inputs;
    int fromDepth = 0;
};

bool isValueOption(const std::string& name) {
    const pack::HeaderSettingKey* header = pack::findHeaderSettingKey(name);
    if (header) return header->text != nullptr;
    return name == "stub" || name == "output" || name == "cab" || name == "from" ||
           pack::isBuildValueOption(name) || name == "sign-cert" || name == "sign-key" ||
           name == "sign-pass-file" || name == "timestamp";
}

bool applyFile(PackCommand* command, const std::string& path, std::string* error);

// The stub installed with the tool: <prefix>/share/tamrix/tamrix-stub.exe beside
// <prefix>/bin/tamrix.
std::string installedStub() {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    std::string path(self, size_t(length));
    path = path.substr(0, path.rfind('/'));
    path = path.substr(0, path.rfind('/')) + "/share/tamrix/tamrix-stub.exe";
    return access(path.c_str(), R_OK) == 0 ? path : "";
}

bool applyOption(PackCommand* command, const std::string& name, const std::string& value,
                 std::string* error) {
    if (const pack::HeaderSettingKey* header = pack::findHeaderSettingKey(name)) {
        return pack::applyHeaderSetting(*header, value, &command->settings, error);
    }
    if (name == "stub") {
        command->stub = value;
    } else if (name == "output") {
        command->output = value;
    } else if (name == "cab") {
        command->cabinet = value;
    } else if (name == "from") {
        return applyFile(command, value, error);
    } else if (name == "sign-cert") {
        command->signing.certificate = value;
    } else if (name == "sign-key") {
        command->signing.key = value;
    } else if (name == "sign-pass-file") {
        command->signing.passwordFile = value;
    } else if (name == "timestamp") {
        command->signing.timestampUrl = value;
    } else {
        switch (pack::applyBuildOption(name, value, &command->build, error)) {
            case pack::OptionResult::Applied:
                return true;
            case pack::OptionResult::Failed:
                return false;
            case pack::OptionResult::Unknown:
                *error = "unknown setting '" + name + "'";
                return false;
        }
    }
    return true;
}

bool applyFile(PackCommand* command, const std::string& path, std::string* error) {
    if (++command->fromDepth > 8) {
        *error = "settings files include each other too deeply ('" + path + "')";
        return false;
    }
    std::vector<pack::SettingLine> lines;
    if (!pack::readSettingsFile(path, &lines, error)) return false;
    for (const pack::SettingLine& line : lines) {
        if (!applyOption(command, line.key, line.value, error)) {
            *error = path + ":" + std::to_string(line.line) + ": " + *error;
            return false;
        }
    }
    --command->fromDepth;
    return true;
}

int usage(const std::string& problem) {
    std::fprintf(stderr, "tamrix pack: %s\nTry 'tamrix pack --help'.\n", problem.c_str());
    return 2;
}

int fail(const std::string& problem) {
    std::fprintf(stderr, "tamrix pack: %s\n", problem.c_str());
    return 1;
}

}  // namespace

int runPack(int argc, char** argv) {
    pack::installInterruptCleanup();
    PackCommand command;
    std::string error;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            command.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::string name = arg == "-o"   ? "output"
                           : arg == "-q" ? "quiet"
                           : arg == "-j" ? "jobs"
                                         : "";
        if (name.empty() && arg.rfind("--", 0) == 0) name = arg.substr(2);
        if (name.empty()) return usage("unknown option '" + arg + "'");
        std::string value = "yes";
        if (isValueOption(name)) {
            if (i + 1 >= argc) return usage("option '" + arg + "' needs a value");
            value = argv[++i];
        }
        if (!applyOption(&command, name, value, &error)) {
            if (error.rfind("unknown setting", 0) == 0) error = "unknown option '" + arg + "'";
            return usage(error);
        }
    }
    if (command.stub.empty()) command.stub = installedStub();
    if (command.stub.empty()) return usage("no stub (--stub STUB), and none is installed");
    if (command.output.empty()) return usage("no output package (-o PACKAGE)");
    if (command.cabinet.empty() == command.inputs.empty()) {
        return usage("give either --cab CABINET or the files and folders to pack");
    }
    if (!command.cabinet.empty() && command.build.layout.needed()) {
        return usage("--max-cabinet-size and --reserve apply to the files packed, not to --cab");
    }
    if (!pack::checkBuildOptions(command.build, &error)) return usage(error);
    command.build.outputPath = command.output;
    std::vector<std::string> inputs = command.inputs;
    inputs.push_back(command.stub);
    inputs.push_back(command.cabinet);
    if (!pack::refuseOverwritingInput(command.output, inputs, &error)) return fail(error);

    // Everything is checked before the output is touched.
    pack::AnsiText ansi(command.build.input.codePage);
    PackageHeader header;
    std::vector<uint8_t> stub;
    bool signatureDropped = false;
    pack::OutputFile::Transform sign;
    if (command.signing.wanted() || !command.signing.timestampUrl.empty() ||
        !command.signing.passwordFile.empty()) {
        if (!pack::checkSigningOptions(command.signing, &error)) return fail(error);
        sign = [&command](const std::string& in, const std::string& out, std::string* problem) {
            return pack::signFile(command.signing, in, out, problem);
        };
    }
    if (!ansi.valid()) {
        return fail("code page " + std::to_string(command.build.input.codePage) +
                    " is not known here");
    }
    if (!pack::makePackageHeader(command.settings, &ansi, 0, &header, &error) ||
        !pack::loadStub(command.stub, &stub, &error, &signatureDropped)) {
        return fail(error);
    }
    if (signatureDropped && !command.build.quiet) {
        std::fprintf(stderr, "tamrix pack: the stub's own signature is left out of the package%s\n",
                     sign ? "" : " (sign the package instead: --sign-cert, --sign-key)");
    }
    uint64_t room =
        pack::kMaxPackageSize - stub.size() - kPackageHeaderSize - (pack::kPackageAlignment - 1);
    std::vector<pack::CabinetEntry> entries;
    pack::CabinetPlan plan;
    pack::CabinetWriter writer;
    pack::SetResult set;
    if (command.build.layout.maxCabinetSize > room) {
        return fail("--max-cabinet-size: the package's cabinet must stay below " +
                    std::to_string(room) + " bytes with this stub");
    }
    if (!command.cabinet.empty()) {
        uint64_t size = 0;
        if (!pack::checkCabinetFile(command.cabinet, &size, &error)) return fail(error);
        if (size > room) return fail("the cabinet is too large: a package must stay below 2 GiB");
        writer = pack::copyCabinetFile(command.cabinet);
    } else {
        if (!pack::prepareCabinet(command.inputs, command.build, room, &entries, &plan, &error)) {
            return fail(error);
        }
        command.build.cabinet.progress = !command.build.quiet && pack::isTerminal(stderr);
        const pack::CabinetOptions& options = command.build.cabinet;
        const pack::LayoutOptions& layout = command.build.layout;
        writer = [&](pack::OutputFile* out, std::string* problem) {
            if (layout.needed()) {
                return pack::writeCabinetSet(entries, options, layout, plan,
                                             pack::setTargetFor(command.output, out), &set,
                                             problem);
            }
            pack::CabinetResult result;
            return pack::writeCabinet(entries, options, plan, out, &result, problem);
        };
    }
    pack::PackageResult result;
    if (!pack::writePackage(command.output, stub, header, command.settings.cabinetCrc, writer,
                            &result, &error, sign)) {
        for (const std::string& path : set.written) std::remove(path.c_str());
        return fail(error);
    }
    if (!command.build.quiet) {
        std::string contents = command.cabinet.empty()
                                   ? pack::describeCabinet(entries, plan, command.build.cabinet)
                                   : "cabinet " + command.cabinet;
        std::printf("%s: %s; cabinet at %llu, %llu bytes; package %llu bytes; CRC 0x%08X\n",
                    command.output.c_str(), contents.c_str(),
                    static_cast<unsigned long long>(result.cabinetOffset),
                    static_cast<unsigned long long>(result.cabinetSize),
                    static_cast<unsigned long long>(result.size), result.cabinetCrc);
        if (sign) std::printf("%s: signed\n", command.output.c_str());
        for (size_t k = 0; k < set.written.size(); ++k) {
            std::printf("%s: cabinet %zu of the set; %llu bytes\n", set.written[k].c_str(), k + 2,
                        static_cast<unsigned long long>(set.sizes[k + 1]));
        }
    }
    return 0;
}

}  // namespace tamrix::tool
