// tamrix pack --stub STUB -o PACKAGE [options] (--cab CABINET | FILE-OR-FOLDER ...): a package
// made of the stub, its header and a cabinet.
#include <cstdio>
#include <string>
#include <vector>

#include "pack/build_options.h"
#include "pack/code_signing.h"
#include "pack/package_builder.h"
#include "pack/package_settings.h"
#include "pack/setting_keys.h"
#include "tools/commands.h"

namespace tamrix::tool {

namespace {

constexpr const char* kUsage =
    "usage: tamrix pack --stub STUB -o PACKAGE [options] (--cab CABINET | FILE-OR-FOLDER ...)\n"
    "cabinet:\n"
    "  --compress none|mszip|lzx[:15..21]|quantum[:10..21]   (default mszip)\n"
    "  --folder-size BYTES   start a new folder before it grows past BYTES (512K, 64M, ...)\n"
    "  --no-checksums        leave the data blocks without checksums\n"
    "  --codepage N          code page of names and texts in the package (default 1252)\n"
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
    "  -q                    print nothing on success\n";

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
           name == "compress" || name == "folder-size" || name == "codepage" ||
           name == "sign-cert" || name == "sign-key" || name == "sign-pass-file" ||
           name == "timestamp";
}

bool applyFile(PackCommand* command, const std::string& path, std::string* error);

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
    if (!problem.empty()) std::fprintf(stderr, "tamrix pack: %s\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return 2;
}

int fail(const std::string& problem) {
    std::fprintf(stderr, "tamrix pack: %s\n", problem.c_str());
    return 1;
}

}  // namespace

int runPack(int argc, char** argv) {
    PackCommand command;
    std::string error;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            command.inputs.push_back(arg);
            continue;
        }
        std::string name = arg == "-o" ? "output" : arg == "-q" ? "quiet" : "";
        if (name.empty() && arg.rfind("--", 0) == 0) name = arg.substr(2);
        if (name.empty()) return usage("unknown option " + arg);
        std::string value = "yes";
        if (isValueOption(name)) {
            if (i + 1 >= argc) return usage(arg + " needs a value");
            value = argv[++i];
        }
        if (!applyOption(&command, name, value, &error)) return usage(error);
    }
    if (command.stub.empty()) return usage("no stub (--stub STUB)");
    if (command.output.empty()) return usage("no output package (-o PACKAGE)");
    if (command.cabinet.empty() == command.inputs.empty()) {
        return usage("give either --cab CABINET or the files and folders to pack");
    }

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
    if (!command.cabinet.empty()) {
        uint64_t size = 0;
        if (!pack::checkCabinetFile(command.cabinet, &size, &error)) return fail(error);
        if (size > room) return fail("the cabinet is too large: a package must stay below 2 GiB");
        writer = pack::copyCabinetFile(command.cabinet);
    } else {
        if (!pack::prepareCabinet(command.inputs, command.build, room, &entries, &plan, &error)) {
            return fail(error);
        }
        const pack::CabinetOptions& options = command.build.cabinet;
        writer = [&](pack::OutputFile* out, std::string* problem) {
            pack::CabinetResult result;
            return pack::writeCabinet(entries, options, plan, out, &result, problem);
        };
    }
    pack::PackageResult result;
    if (!pack::writePackage(command.output, stub, header, command.settings.cabinetCrc, writer,
                            &result, &error, sign)) {
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
    }
    return 0;
}

}  // namespace tamrix::tool
