// The site's signing key and what it signs, with Debian's tools: openssl
// makes the key and its certificate, sbsign (sbsigntool) signs EFI programs,
// sbverify lists and checks their signatures. No cryptography of our own:
// this code only chooses the files and reads the tools' answers. Every
// message names the file it is about; every file is written whole (a
// temporary file, then a rename) or not at all.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace secureboot {

// The largest EFI program or package file these commands read whole.
inline constexpr size_t kProgramMax = size_t{256} << 20;

// The key files of a site key folder: site.key (PEM private key, readable
// by its owner only) and site.crt (PEM certificate) for signing, site.cer
// (the same certificate as DER) for enrolment in a firmware or as a MOK.
struct KeyFiles {
    std::string folder, key, certificate, der;
};
KeyFiles KeyFilesIn(const std::string& folder);

// $MENVOLT_SECURE_BOOT_KEYS, else $XDG_CONFIG_HOME/menvolt/secure-boot,
// else ~/.config/menvolt/secure-boot.
std::string DefaultKeyFolder();

// "" when the programs are on PATH, else the sentence that names the Debian
// packages to install.
std::string MissingTools(const std::vector<std::string>& programs);

// Makes a new 2048-bit RSA key and a self-signed certificate for
// `commonName`, valid for `days`. Refuses to replace an existing key unless
// `force`. "" or why not.
std::string CreateSiteKey(const KeyFiles& keys, const std::string& commonName, int days, bool force);

// "" when the key file is a private key and the certificate is its own.
std::string CheckKeyPair(const KeyFiles& keys);

// The certificate's subject as sbverify writes it ("/CN=..."), or "" with `error` set.
std::string CertificateSubject(const std::string& certificate, std::string& error);

// What is signed about an EFI program.
struct ProgramFacts {
    bool readable = false;
    std::string problem;    // why it is no x86-64 EFI application, or ""
    bool hasSbat = false;
    std::string sbat;       // the .sbat section's text
    bool isSigned = false;  // it carries an Authenticode signature
    std::vector<std::string> signers;  // subjects of the certificates sbverify lists
};
ProgramFacts ReadProgram(const std::string& bytes, bool listSigners);

// True when sbverify finds a signature on the file that the certificate
// vouches for.
bool SignedBy(const std::string& hostPath, const std::string& certificate);

// Signs `program` (an x86-64 or ARM64 EFI application's bytes) with the site key.
// One already signed is refused unless `again` adds a further signature.
// `name` names the program in messages. "" or why not.
std::string SignProgram(const KeyFiles& keys, const std::string& program, const std::string& name, bool again,
                        std::string& signedProgram);

}  // namespace secureboot
