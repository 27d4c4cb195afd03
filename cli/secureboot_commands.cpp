// menvolt-cli secureboot: the site key, signing, the shim layout of a TFTP
// folder, its check, and the variable store of a virtual PC that trusts
// the key. The work is done by Debian's tools (secureboot/); this file reads
// the arguments and says what happened.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "imagelib/efi_boot_program.h"
#include "imagelib/image_document.h"
#include "platform/host_files.h"
#include "secureboot/shim_layout.h"
#include "secureboot/signing.h"
#include "secureboot/variable_store.h"
#include "vmboot/vm_boot.h"

namespace cli {

namespace {

constexpr char kUsage[] =
    "usage: menvolt-cli secureboot key [--keys DIR] [--name NAME] [--days N] [--force]\n"
    "       menvolt-cli secureboot sign FILE [--out OUT] [--keys DIR] [--again]\n"
    "       menvolt-cli secureboot shim FOLDER [--keys DIR] [--program menvolt.efi] [--force]\n"
    "       menvolt-cli secureboot check FOLDER [--keys DIR]\n"
    "       menvolt-cli secureboot vm-vars OUT [--keys DIR] [--mok] [--from VARS.fd]\n"
    "key      makes the site key: site.key and site.crt (PEM, for signing) and site.cer\n"
    "         (DER, for enrolment) in DIR; an existing key is replaced only with --force\n"
    "sign     signs an EFI program, or the \\EFI\\BOOT\\BOOT*.EFI of a boot image, in place\n"
    "         (or into OUT); one signed already gets a further signature only with --again\n"
    "shim     lays out FOLDER (a TFTP folder) for Secure Boot PCs with the keys they ship with:\n"
    "         shimx64.efi and mmx64.efi from Debian's signed shim, menvolt.efi signed with\n"
    "         the site key as grubx64.efi, and menvolt.cer to enrol as a machine owner key\n"
    "check    says of every EFI file in FOLDER whether and by whom it is signed, whether it\n"
    "         has .sbat, and whether the shim files are complete; exit 1 on any problem\n"
    "vm-vars  writes a firmware variable store for a virtual PC (OVMF) that trusts the\n"
    "         site key: in db (default), or with --mok as shim's machine owner key; from\n"
    "         Debian's store with Microsoft's keys unless --from names another\n"
    "DIR defaults to $MENVOLT_SECURE_BOOT_KEYS, else ~/.config/menvolt/secure-boot.\n"
    "Needs Debian's openssl and sbsigntool; shim needs shim-signed and shim-helpers-amd64-signed.\n";

int Usage(FILE* out = stderr) {
    std::fputs(kUsage, out);
    return out == stdout ? kExitOk : kExitUsage;
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "menvolt-cli secureboot: %s\n", why.c_str());
    return kExitFailed;
}

struct Options {
    std::vector<std::string> positional;
    std::string keys = secureboot::DefaultKeyFolder(), name = "Menvolt site key", out, program, from;
    int days = 3650;
    bool force = false, again = false, mok = false;
};

bool Parse(std::vector<std::string> args, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool value = i + 1 < args.size();
        if (a == "--force") o.force = true;
        else if (a == "--again") o.again = true;
        else if (a == "--mok") o.mok = true;
        else if (a == "--keys" && value) o.keys = args[++i];
        else if (a == "--name" && value) o.name = args[++i];
        else if (a == "--out" && value) o.out = args[++i];
        else if (a == "--program" && value) o.program = args[++i];
        else if (a == "--from" && value) o.from = args[++i];
        else if (a == "--days" && value) {
            try {
                o.days = std::stoi(args[++i]);
            } catch (...) {
                return false;
            }
            if (o.days < 1 || o.days > 36500) return false;
        } else if (!a.empty() && a[0] == '-') return false;
        else o.positional.push_back(a);
    }
    return true;
}

int Key(const Options& o) {
    if (o.positional.size() != 1 || o.name.empty() || o.name.find('/') != std::string::npos) return Usage();
    const secureboot::KeyFiles keys = secureboot::KeyFilesIn(o.keys);
    if (std::string why = secureboot::CreateSiteKey(keys, o.name, o.days, o.force); !why.empty()) return Fail(why);
    std::printf("site key made for CN=%s:\n  %s (private: keep it on this server)\n  %s (signs)\n"
                "  %s (enrol this one: in the firmware's db, or as a MOK with mokutil --import)\n",
                o.name.c_str(), keys.key.c_str(), keys.certificate.c_str(), keys.der.c_str());
    return kExitOk;
}

// A boot image: its UEFI boot programs (\EFI\BOOT\BOOTX64.EFI,
// \EFI\BOOT\BOOTAA64.EFI, whichever it holds) signed in one change of the
// image.
int SignImage(const Options& o, const secureboot::KeyFiles& keys, const std::string& file) {
    if (!o.out.empty()) return Fail("--out is for EFI programs; a boot image is signed in place (" + file + ").");
    imagelib::ImageDocument doc;
    std::string error;
    if (!doc.OpenForChange(file, error)) return Fail(file + " is neither an EFI program nor a boot image: " + error);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> signedPrograms;
    for (const char* path : imagelib::kEfiBootPrograms) {
        std::vector<uint8_t> program;
        if (doc.Volume().ReadFile(path, program) != imagelib::FatError::None) continue;
        std::string signedProgram;
        const std::string name = file + ":\\" + path;
        if (std::string why = secureboot::SignProgram(keys, std::string(program.begin(), program.end()), name,
                                                      o.again, signedProgram);
            !why.empty())
            return Fail(why);
        signedPrograms.emplace_back(name, std::vector<uint8_t>(signedProgram.begin(), signedProgram.end()));
    }
    if (signedPrograms.empty())
        return Fail(file + " holds no \\" + std::string(imagelib::kEfiBootProgram) + " or \\" +
                    imagelib::kEfiBootProgramArm64 + " to sign.");
    imagelib::ChangeResult r = doc.Apply([&](imagelib::FatVolume& v) {
        for (const auto& [name, bytes] : signedPrograms)
            if (imagelib::FatError e = imagelib::PutEfiBootProgram(v, bytes); e != imagelib::FatError::None) return e;
        return imagelib::FatError::None;
    });
    if (!r.ok()) return Fail(file + ": " + r.message);
    for (const auto& program : signedPrograms) std::printf("signed %s\n", program.first.c_str());
    return kExitOk;
}

int Sign(const Options& o) {
    if (o.positional.size() != 2) return Usage();
    const std::string& file = o.positional[1];
    const secureboot::KeyFiles keys = secureboot::KeyFilesIn(o.keys);
    std::string bytes;
    if (int e = platform::ReadHostFile(file, bytes, size_t{256} << 20)) return Fail(file + ": " + platform::ErrorText(e));
    if (!secureboot::ReadProgram(bytes, false).problem.empty() && bytes.rfind("MZ", 0) != 0)
        return SignImage(o, keys, file);
    std::string signedProgram;
    if (std::string why = secureboot::SignProgram(keys, bytes, file, o.again, signedProgram); !why.empty())
        return Fail(why);
    const std::string out = o.out.empty() ? file : o.out;
    if (int e = platform::WriteHostFile(out, signedProgram, 0644, platform::HostWrite::Replace))
        return Fail("cannot write " + out + ": " + platform::ErrorText(e));
    std::printf("signed %s%s\n", file.c_str(), o.out.empty() ? "" : (" into " + out).c_str());
    return kExitOk;
}

int Shim(const Options& o) {
    if (o.positional.size() != 2) return Usage();
    const std::string program = o.program.empty() ? vmboot::FindEfiProgram() : o.program;
    if (program.empty()) return Fail("menvolt.efi was not found beside the program; name it with --program.");
    std::vector<std::string> done;
    const std::string why =
        secureboot::LayOutShim(o.positional[1], secureboot::KeyFilesIn(o.keys), program, o.force, done);
    if (!why.empty()) return Fail(why);
    for (const std::string& f : done) std::printf("wrote %s\n", f.c_str());
    std::printf("Boot file for UEFI x86-64 PCs: %s (menvolt.efi, started by shim, shows menvolt.ldr of that "
                "folder unless shimx64.ldr is there)\n",
                (std::filesystem::path(o.positional[1]) / secureboot::kShimName).string().c_str());
    return kExitOk;
}

int CheckFolder(const Options& o) {
    if (o.positional.size() != 2) return Usage();
    if (std::string missing = secureboot::MissingTools({"openssl", "sbverify"}); !missing.empty()) return Fail(missing);
    int problems = 0;
    for (const auto& line : secureboot::CheckLayout(o.positional[1], secureboot::KeyFilesIn(o.keys))) {
        std::printf("%s %s: %s\n", line.problem ? "PROBLEM" : "ok     ", line.file.c_str(), line.says.c_str());
        problems += line.problem;
    }
    return problems ? kExitFailed : kExitOk;
}

int VmVars(const Options& o) {
    if (o.positional.size() != 2) return Usage();
    const secureboot::KeyFiles keys = secureboot::KeyFilesIn(o.keys);
    const std::string from = o.from.empty() ? secureboot::kShippedKeysStore : o.from;
    const auto list = o.mok ? secureboot::TrustList::MokList : secureboot::TrustList::Db;
    if (std::string why = secureboot::WriteStoreTrusting(from, keys.der, list, o.positional[1]); !why.empty())
        return Fail(why);
    std::printf("wrote %s: %s with %s in %s\n", o.positional[1].c_str(), from.c_str(), keys.der.c_str(),
                o.mok ? "MokList" : "db");
    return kExitOk;
}

}  // namespace

int SecureBoot(std::vector<std::string> args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return Usage(stdout);
    Options o;
    if (args.empty() || !Parse(args, o) || o.positional.empty()) return Usage();
    const std::string& verb = o.positional[0];
    if (verb == "key") return Key(o);
    if (verb == "sign") return Sign(o);
    if (verb == "shim") return Shim(o);
    if (verb == "check") return CheckFolder(o);
    if (verb == "vm-vars") return VmVars(o);
    return Usage();
}

}  // namespace cli
