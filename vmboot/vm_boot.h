// VM boot (the editor's Test Boot, menvolt-cli testboot): starts a loader
// file in a virtual PC exactly as a client on the network would see it.
// A BIOS PC: QEMU's e1000 PXE boot ROM boots the chain program; a UEFI PC:
// Debian's OVMF firmware boots menvolt.efi with its own network stack; with
// Secure Boot, OVMF's secure code with the keys PCs ship with and the site
// key in its db, and menvolt.efi signed with that key; an ARM64 PC: QEMU's
// virt board with AAVMF, starting menvolt-aa64.efi. All
// get it from QEMU's own DHCP/TFTP server, rooted at a temporary view of the
// share in which the loader's backslash paths resolve; the program then
// starts the loader.
#pragma once

#include <string>
#include <vector>

namespace vmboot {

struct Request {
    std::string loaderHostPath;  // the loader file to boot
    std::string folderHostPath;  // the folder its image files lie in
    std::string serverPath;      // the loader's server path (backslashes)
    std::string chainHostPath;   // the chain network boot program (BIOS)
    bool uefi = false;           // a UEFI PC instead of a BIOS PC
    std::string efiHostPath;     // menvolt.efi (UEFI)
    bool secureBoot = false;     // UEFI with Secure Boot on: the firmware trusts the
                                 // site key (and Microsoft's), menvolt.efi is signed with it
    std::string keyFolder;       // the site key's folder ("": the default one)
    bool arm64 = false;          // UEFI on a 64-bit ARM PC (AAVMF), starting menvolt-aa64.efi
    bool headless = true;        // false: a window the user drives, left running
    std::string display;         // the window's display backend (Run chooses it)
    int timeoutSeconds = 60;
};

struct Result {
    bool ok = false;
    std::string message;              // why it failed, or what was started
    std::vector<std::string> screen;  // headless: the 25 rows of the client's first screen
    std::string trusts;               // Secure Boot: which keys the PC trusts, to be said on screen
};

// Where the chain program and menvolt.efi lie beside the running program
// (the build's bin folder, or /usr/lib/menvolt), or "".
std::string FindChainProgram();
std::string FindEfiProgram(bool arm64 = false);

// The reason QEMU cannot boot that kind of PC here, with the packages to
// install, or "".
std::string MissingEmulator(bool uefi = false, bool secureBoot = false, bool arm64 = false);

Result Run(const Request& request);

}  // namespace vmboot
