// The firmware's variable store of a virtual PC (Debian's OVMF_VARS files):
// one firmware volume whose variable region holds authenticated variables
// in the layout of the UEFI reference firmware. A certificate is added to
// the signature database db, or to shim's list of machine owner keys
// (MokList), before the PC first starts, so that its firmware (or shim)
// trusts what that key signed. Nothing is signed here: a variable written
// into the store at rest is what the firmware finds at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace secureboot {

enum class TrustList { Db, MokList };

// Adds the DER certificate to the list in `store` (the variable store
// file's bytes). "" on success, else why not (not a variable store, no
// room left, a certificate already there).
std::string AddCertificate(std::vector<uint8_t>& store, TrustList list, const std::vector<uint8_t>& der);

// The certificates of a list (DER), for the checks and the tests.
std::vector<std::vector<uint8_t>> Certificates(const std::vector<uint8_t>& store, TrustList list);

// Debian's OVMF stores: Microsoft's keys (as PCs ship), and Debian's test
// key in PK, KEK and db.
inline constexpr char kShippedKeysStore[] = "/usr/share/OVMF/OVMF_VARS_4M.ms.fd";
inline constexpr char kTestKeyStore[] = "/usr/share/OVMF/OVMF_VARS_4M.snakeoil.fd";
inline constexpr char kSecureBootFirmware[] = "/usr/share/OVMF/OVMF_CODE_4M.secboot.fd";

// Writes `out`: the store `from` with the DER certificate file `der`
// added to `list`. "" or why not (naming the file).
std::string WriteStoreTrusting(const std::string& from, const std::string& der, TrustList list,
                               const std::string& out);

}  // namespace secureboot
