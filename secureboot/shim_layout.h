// A TFTP folder laid out for PCs with Secure Boot on and only the keys
// they ship with: Debian's signed shim (signed by the Microsoft UEFI CA
// that such PCs trust) is the boot file, and fetches from its own folder
// grubx64.efi, which is menvolt.efi signed with the site key, and
// mmx64.efi, the MOK manager it starts when that signature is not (yet)
// trusted. A PC trusts the site key once it is enrolled as a machine owner
// key. menvolt.efi started as grubx64.efi finds its menu as NAME.ldr for
// the DHCP boot file NAME.efi (shimx64.ldr), else menvolt.ldr.
#pragma once

#include <string>
#include <vector>

#include "secureboot/signing.h"

namespace secureboot {

// The names shim gives and asks for, and where Debian installs them.
inline constexpr char kShimName[] = "shimx64.efi";
inline constexpr char kSecondStageName[] = "grubx64.efi";
inline constexpr char kMokManagerName[] = "mmx64.efi";
inline constexpr char kCertificateName[] = "menvolt.cer";
inline constexpr char kDebianShim[] = "/usr/lib/shim/shimx64.efi.signed";
inline constexpr char kDebianMokManager[] = "/usr/lib/shim/mmx64.efi.signed";
// The .sbat component our own program names itself by.
inline constexpr char kSbatComponent[] = "menvolt,";

// Copies shim and the MOK manager from the installed Debian packages,
// signs `program` (menvolt.efi) with the site key as grubx64.efi, and puts
// the certificate beside them as menvolt.cer (DER) for enrolment. A
// grubx64.efi that is not ours is replaced only with `force`. Each file is
// written whole. "" or why not; `done` lists what was written.
std::string LayOutShim(const std::string& folder, const KeyFiles& keys, const std::string& program, bool force,
                       std::vector<std::string>& done);

// One line of a check: the file, what it is, and whether that is a problem.
struct CheckLine {
    std::string file;
    std::string says;
    bool problem = false;
};

// Checks a folder served to Secure Boot PCs: which EFI files are signed and
// by whom, .sbat present where shim needs it, the shim files complete, a
// loader file there to show. `keys` may have no files (then nothing is
// compared with the site certificate).
std::vector<CheckLine> CheckLayout(const std::string& folder, const KeyFiles& keys);

}  // namespace secureboot
