#include "secureboot/signing.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "common/efi_program.h"
#include "platform/host_files.h"
#include "platform/process.h"
#include "platform/temp_folder.h"

namespace fs = std::filesystem;

namespace secureboot {

namespace {

constexpr int kToolTimeoutMs = 60000;
constexpr const char* kPackages[][2] = {
    {"openssl", "openssl"}, {"sbsign", "sbsigntool"}, {"sbverify", "sbsigntool"}};

// The tool's own last line, the part of its complaint a message repeats.
std::string LastLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    const size_t nl = text.rfind('\n');
    return nl == std::string::npos ? text : text.substr(nl + 1);
}

int Run(const std::vector<std::string>& argv, std::string& output) {
    output.clear();
    return platform::RunProcess(argv, kToolTimeoutMs, &output, true);
}

// A folder of our own for the tools' files, removed with this object.
struct Scratch {
    fs::path dir = platform::MakeTempFolder("menvolt-sign-");
    ~Scratch() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
};



}  // namespace

KeyFiles KeyFilesIn(const std::string& folder) {
    const fs::path f(folder);
    return {folder, (f / "site.key").string(), (f / "site.crt").string(), (f / "site.cer").string()};
}

std::string DefaultKeyFolder() {
    if (const char* set = std::getenv("MENVOLT_SECURE_BOOT_KEYS"); set && *set) return set;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return (fs::path(config) / "menvolt" / "secure-boot").string();
    const char* home = std::getenv("HOME");
    return (fs::path(home && *home ? home : "/root") / ".config" / "menvolt" / "secure-boot").string();
}

std::string MissingTools(const std::vector<std::string>& programs) {
    std::vector<std::string> packages;
    std::string missing;
    for (const std::string& p : programs) {
        if (!platform::FindProgram(p).empty()) continue;
        missing += (missing.empty() ? "" : ", ") + p;
        std::string package = p;
        for (const auto& known : kPackages)
            if (p == known[0]) package = known[1];
        bool listed = false;
        for (const std::string& q : packages) listed = listed || q == package;
        if (!listed) packages.push_back(package);
    }
    if (missing.empty()) return {};
    std::string names;
    for (const std::string& q : packages) names += (names.empty() ? "" : " ") + q;
    return missing + (packages.size() > 1 || missing.find(',') != std::string::npos ? " are" : " is") +
           " not installed here: install the Debian package" + (packages.size() > 1 ? "s " : " ") + names +
           " (apt install " + names + ").";
}

std::string CreateSiteKey(const KeyFiles& keys, const std::string& commonName, int days, bool force) {
    if (std::string missing = MissingTools({"openssl"}); !missing.empty()) return missing;
    std::error_code ec;
    if (!force)
        for (const std::string& file : {keys.key, keys.certificate, keys.der})
            if (fs::exists(fs::symlink_status(file, ec)))
                return file + " exists already: a site key is never replaced unless --force is given "
                              "(PCs that trust the old key would refuse what the new one signs).";
    fs::create_directories(keys.folder, ec);
    if (ec) return "cannot make the key folder " + keys.folder + ": " + ec.message();
    Scratch scratch;
    if (scratch.dir.empty()) return "cannot make a temporary folder";
    const std::string key = (scratch.dir / "site.key").string(), crt = (scratch.dir / "site.crt").string(),
                      der = (scratch.dir / "site.cer").string();
    std::string out;
    if (Run({"openssl", "req", "-new", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days",
             std::to_string(days), "-subj", "/CN=" + commonName, "-keyout", key, "-out", crt},
            out) != 0)
        return "openssl could not make the key: " + LastLine(out);
    if (Run({"openssl", "x509", "-in", crt, "-outform", "DER", "-out", der}, out) != 0)
        return "openssl could not write the certificate as DER: " + LastLine(out);
    // The certificates first: a folder is never left with a key that no
    // certificate of it matches.
    const std::pair<std::string, std::string> files[] = {{crt, keys.certificate}, {der, keys.der}, {key, keys.key}};
    for (const auto& [from, to] : files) {
        std::string bytes;
        if (int e = platform::ReadHostFile(from, bytes, 1 << 20)) return from + ": " + platform::ErrorText(e);
        const mode_t mode = to == keys.key ? 0600 : 0644;
        if (int e = platform::WriteHostFile(to, bytes, mode, force ? platform::HostWrite::Replace
                                                                   : platform::HostWrite::CreateOnly))
            return "cannot write " + to + ": " + platform::ErrorText(e);
    }
    return {};
}

std::string CheckKeyPair(const KeyFiles& keys) {
    if (std::string missing = MissingTools({"openssl"}); !missing.empty()) return missing;
    std::error_code ec;
    for (const std::string& file : {keys.key, keys.certificate})
        if (!fs::exists(file, ec))
            return file + " does not exist: make a site key first (menvolt-cli secureboot key).";
    std::string fromKey, fromCert;
    if (Run({"openssl", "pkey", "-in", keys.key, "-passin", "pass:", "-pubout"}, fromKey) != 0)
        return keys.key + " is not an unencrypted private key: " + LastLine(fromKey);
    if (Run({"openssl", "x509", "-in", keys.certificate, "-noout", "-pubkey"}, fromCert) != 0)
        return keys.certificate + " is not a PEM certificate: " + LastLine(fromCert);
    if (fromKey != fromCert) return keys.certificate + " is not the certificate of the key " + keys.key + ".";
    return {};
}

std::string CertificateSubject(const std::string& certificate, std::string& error) {
    std::string out;
    if (Run({"openssl", "x509", "-in", certificate, "-noout", "-subject", "-nameopt", "compat"}, out) != 0) {
        error = certificate + " is not a PEM certificate: " + LastLine(out);
        return {};
    }
    out = LastLine(out);
    return out.rfind("subject=", 0) == 0 ? out.substr(8) : out;
}

ProgramFacts ReadProgram(const std::string& bytes, bool listSigners) {
    ProgramFacts f;
    f.readable = true;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const common::PeFacts pe = common::ReadPeFacts(data, bytes.size());
    // The image library's rule, for whichever of our PCs the program is made.
    f.problem = common::EfiApplicationProblem(pe, pe.machine == common::kMachineArm64 ? common::kMachineArm64
                                                                                      : common::kMachineX64);
    if (pe.sbatSize) {
        f.hasSbat = true;
        f.sbat.assign(bytes, pe.sbatOffset, pe.sbatSize);
        while (!f.sbat.empty() && f.sbat.back() == '\0') f.sbat.pop_back();
    }
    f.isSigned = pe.signedTable;
    if (f.isSigned && listSigners && MissingTools({"sbverify"}).empty()) {
        Scratch scratch;
        const std::string file = (scratch.dir / "program.efi").string();
        std::string out;
        if (!scratch.dir.empty() && platform::WriteHostFile(file, bytes, 0600, platform::HostWrite::Replace) == 0 &&
            Run({"sbverify", "--list", file}, out) == 0) {
            size_t at = 0;
            while ((at = out.find("subject: ", at)) != std::string::npos) {
                const size_t end = out.find('\n', at);
                f.signers.push_back(out.substr(at + 9, end == std::string::npos ? end : end - at - 9));
                at += 9;
            }
        }
    }
    return f;
}

bool SignedBy(const std::string& hostPath, const std::string& certificate) {
    // sbverify --cert alone says OK for a file with several signatures
    // whatever the certificate (seen with Debian's shim): the certificate
    // must also be one that signed it.
    std::string out, listed, error;
    const std::string subject = CertificateSubject(certificate, error);
    if (subject.empty() || Run({"sbverify", "--list", hostPath}, listed) != 0) return false;
    bool among = false;
    for (size_t at = 0; (at = listed.find("subject: ", at)) != std::string::npos; at += 9)
        among = among || listed.compare(at + 9, subject.size() + 1, subject + "\n") == 0;
    return among && Run({"sbverify", "--cert", certificate, hostPath}, out) == 0 &&
           out.find("Signature verification OK") != std::string::npos;
}

std::string SignProgram(const KeyFiles& keys, const std::string& program, const std::string& name, bool again,
                        std::string& signedProgram) {
    if (std::string missing = MissingTools({"sbsign", "openssl"}); !missing.empty()) return missing;
    if (program.size() > kProgramMax) return name + " is larger than an EFI program can be.";
    const ProgramFacts facts = ReadProgram(program, false);
    if (!facts.problem.empty()) return name + " cannot be signed: " + facts.problem + ".";
    if (facts.isSigned && !again)
        return name + " is signed already; --again adds a further signature beside the one it has.";
    if (std::string bad = CheckKeyPair(keys); !bad.empty()) return bad;
    Scratch scratch;
    if (scratch.dir.empty()) return "cannot make a temporary folder";
    const std::string in = (scratch.dir / "in.efi").string(), out = (scratch.dir / "out.efi").string();
    if (int e = platform::WriteHostFile(in, program, 0600, platform::HostWrite::Replace))
        return "cannot write a temporary copy of " + name + ": " + platform::ErrorText(e);
    std::string said;
    if (Run({"sbsign", "--key", keys.key, "--cert", keys.certificate, "--output", out, in}, said) != 0)
        return "sbsign could not sign " + name + ": " + LastLine(said);
    if (int e = platform::ReadHostFile(out, signedProgram, kProgramMax + (1 << 20)))
        return "cannot read what sbsign wrote for " + name + ": " + platform::ErrorText(e);
    if (!SignedBy(out, keys.certificate)) return "sbverify does not accept the signature sbsign gave " + name + ".";
    return {};
}

}  // namespace secureboot
