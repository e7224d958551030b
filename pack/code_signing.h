// Authenticode signing of a finished package through osslsigncode, found on PATH.
#pragma once

#include <string>

namespace tamrix::pack {

struct SigningOptions {
    std::string certificate;   // PEM or DER certificate (chain) file
    std::string key;           // its private key
    std::string passwordFile;  // optional: the key's password, read by osslsigncode
    std::string timestampUrl;  // optional: an RFC 3161 time-stamping server

    bool wanted() const { return !certificate.empty() || !key.empty(); }
};

// The name of the signing program, as looked up on PATH.
constexpr const char* kSigningProgram = "osslsigncode";

// Checks the options before anything is built: both files given and readable.
bool checkSigningOptions(const SigningOptions& options, std::string* error);

// Signs the file at in into the file at out (which exists and is empty). Its output is passed on
// only when it fails; a missing program is named with where to get it.
bool signFile(const SigningOptions& options, const std::string& in, const std::string& out,
              std::string* error);

}  // namespace tamrix::pack
