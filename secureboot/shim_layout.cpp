#include "secureboot/shim_layout.h"

#include <algorithm>
#include <filesystem>

#include "platform/host_files.h"

namespace fs = std::filesystem;

namespace secureboot {

namespace {

bool IsOurs(const ProgramFacts& f) { return f.sbat.find(std::string("\n") + kSbatComponent) != std::string::npos; }

// A file of a Debian package, read whole.
std::string FromPackage(const std::string& file, const std::string& package, std::string& bytes) {
    if (int e = platform::ReadHostFile(file, bytes, kProgramMax))
        return file + ": " + platform::ErrorText(e) + " (it comes with the Debian package " + package +
               ": apt install " + package + ")";
    return {};
}

}  // namespace

std::string LayOutShim(const std::string& folder, const KeyFiles& keys, const std::string& program, bool force,
                       std::vector<std::string>& done) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return folder + " is not a folder.";
    const fs::path dir(folder);
    const std::string stage = (dir / kSecondStageName).string();
    // Everything that can be refused is refused before the first write.
    std::string existing;
    if (platform::ReadHostFile(stage, existing, kProgramMax) == 0 && !force && !IsOurs(ReadProgram(existing, false)))
        return stage + " is not a menvolt.efi (it may be GRUB, which shim starts by that name too); "
                       "--force replaces it.";
    std::string bytes;
    if (int e = platform::ReadHostFile(program, bytes, kProgramMax)) return program + ": " + platform::ErrorText(e);
    const ProgramFacts facts = ReadProgram(bytes, false);
    if (!IsOurs(facts))
        return program + " is not menvolt.efi: shim needs a second stage with an .sbat section, as ours has.";
    std::string signedProgram;
    // A copy signed with the site key already is served as it is.
    if (facts.isSigned && SignedBy(program, keys.certificate)) {
        signedProgram = bytes;
    } else if (std::string why = SignProgram(keys, bytes, program, true, signedProgram); !why.empty()) {
        return why;
    }
    std::string shim, mokManager, certificate;
    if (std::string why = FromPackage(kDebianShim, "shim-signed", shim); !why.empty()) return why;
    if (std::string why = FromPackage(kDebianMokManager, "shim-helpers-amd64-signed", mokManager); !why.empty())
        return why;
    if (int e = platform::ReadHostFile(keys.der, certificate, 1 << 20)) return keys.der + ": " + platform::ErrorText(e);
    // All four or none: a shim without its second stage stops every PC.
    const std::vector<platform::HostFile> files = {{kShimName, shim, 0644},
                                                   {kMokManagerName, mokManager, 0644},
                                                   {kCertificateName, certificate, 0644},
                                                   {kSecondStageName, signedProgram, 0644}};
    std::string failed;
    if (int e = platform::WriteHostFiles(folder, files, failed))
        return "cannot write " + failed + ": " + platform::ErrorText(e) + "; nothing was changed in " + folder + ".";
    for (const auto& f : files) done.push_back((dir / f.name).string());
    return {};
}

std::vector<CheckLine> CheckLayout(const std::string& folder, const KeyFiles& keys) {
    std::vector<CheckLine> lines;
    std::error_code ec;
    std::vector<fs::path> programs;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext == ".efi" && entry.is_regular_file(ec)) programs.push_back(entry.path());
    }
    if (ec) return {{folder, "cannot be read: " + ec.message(), true}};
    std::sort(programs.begin(), programs.end());
    const bool siteKey = fs::exists(keys.certificate, ec);
    std::string siteSubject;
    if (siteKey) {
        std::string error;
        siteSubject = CertificateSubject(keys.certificate, error);
    }
    bool shim = false, mokManager = false, ours = false, oursTrusted = false, stageTrusted = false;
    std::vector<size_t> unsignedOurs;  // lines of our programs that no Secure Boot PC would start
    for (const fs::path& path : programs) {
        const std::string name = path.filename().string();
        std::string bytes;
        CheckLine line{path.string(), {}, false};
        if (int e = platform::ReadHostFile(path.string(), bytes, kProgramMax)) {
            lines.push_back({path.string(), "cannot be read: " + platform::ErrorText(e), true});
            continue;
        }
        const ProgramFacts f = ReadProgram(bytes, true);
        const bool isShim = f.sbat.find("\nshim,") != std::string::npos;
        shim = shim || (isShim && name == kShimName);
        mokManager = mokManager || name == kMokManagerName;
        if (!f.problem.empty()) {
            line.says = "not an EFI program: " + f.problem;
            line.problem = true;
            lines.push_back(line);
            continue;
        }
        line.says = isShim ? "shim" : IsOurs(f) ? "menvolt.efi" : "an EFI program";
        line.says += f.hasSbat ? ", .sbat present" : ", no .sbat section";
        if (!f.isSigned) {
            line.says += ", not signed";
        } else {
            std::string by;
            for (const std::string& s : f.signers) by += (by.empty() ? "" : ", ") + s;
            line.says += ", signed by " + (by.empty() ? std::string("an unknown certificate") : by);
        }
        const bool bySite = f.isSigned && siteKey && SignedBy(path.string(), keys.certificate);
        if (bySite) line.says += " (the site key)";
        if (IsOurs(f)) {
            ours = true;
            oursTrusted = oursTrusted || bySite;
            stageTrusted = stageTrusted || (bySite && name == kSecondStageName);
            if (!f.isSigned) unsignedOurs.push_back(lines.size());
            if (!f.isSigned) line.says += ": a Secure Boot PC refuses it";
            else if (siteKey && !bySite) line.says += ": not signed with the site key " + siteSubject;
            line.problem = !f.isSigned || (siteKey && !bySite);
        }
        if (name == kSecondStageName && !f.hasSbat) {
            line.says += ": shim refuses a second stage without .sbat";
            line.problem = true;
        }
        lines.push_back(line);
    }
    // Beside a complete shim layout an unsigned menvolt.efi is the one served
    // to PCs without Secure Boot, which is as it should be.
    if (shim && stageTrusted)
        for (size_t at : unsignedOurs) {
            lines[at].says += " (Secure Boot PCs get shim's grubx64.efi here)";
            lines[at].problem = false;
        }
    const fs::path dir(folder);
    if (shim) {
        if (!mokManager)
            lines.push_back({(dir / kMokManagerName).string(),
                             "missing: shim starts it when a signature is not trusted, and stops without it", true});
        if (!fs::exists(dir / kSecondStageName, ec))
            lines.push_back({(dir / kSecondStageName).string(), "missing: shim fetches it as its second stage", true});
    }
    if (!ours) lines.push_back({folder, "holds no menvolt.efi", true});
    else if (!oursTrusted && siteKey)
        lines.push_back({folder, "no menvolt.efi here is signed with the site key " + siteSubject, true});
    const bool loader = fs::exists(dir / "menvolt.ldr", ec) || fs::exists(dir / "shimx64.ldr", ec);
    if (shim && !loader)
        lines.push_back({(dir / "menvolt.ldr").string(), "missing: menvolt.efi started by shim shows this loader file",
                         true});
    return lines;
}

}  // namespace secureboot
