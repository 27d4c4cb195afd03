#include "secureboot/variable_store.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/host_files.h"

namespace secureboot {

namespace {

using Guid = std::array<uint8_t, 16>;

// GUIDs as they lie in memory (the first three fields little-endian).
constexpr Guid kAuthenticatedVariableGuid = {0x78, 0x2c, 0xf3, 0xaa, 0x7b, 0x94, 0x9a, 0x43,
                                             0xa1, 0x80, 0x2e, 0x14, 0x4e, 0xc3, 0x77, 0x92};
constexpr Guid kImageSecurityDatabaseGuid = {0xcb, 0xb2, 0x19, 0xd7, 0x3a, 0x3d, 0x96, 0x45,
                                             0xa3, 0xbc, 0xda, 0xd0, 0x0e, 0x67, 0x65, 0x6f};
constexpr Guid kShimLockGuid = {0x50, 0xab, 0x5d, 0x60, 0x46, 0xe0, 0x00, 0x43,
                                0xab, 0xb6, 0x3d, 0xd8, 0x10, 0xdd, 0x8b, 0x23};
constexpr Guid kCertX509Guid = {0xa1, 0x59, 0xc0, 0xa5, 0xe4, 0x94, 0xa7, 0x4a,
                                0x87, 0xb5, 0xab, 0x15, 0x5c, 0x2b, 0xf0, 0x72};
// The owner written beside our certificate in a signature list.
constexpr Guid kMenvoltOwnerGuid = {0x83, 0xfa, 0x60, 0x4a, 0x68, 0xe5, 0x3b, 0x40,
                                    0xba, 0xfa, 0x84, 0xdc, 0x47, 0x3c, 0x0e, 0x35};

constexpr size_t kFvSignatureAt = 40;     // "_FVH"
constexpr size_t kFvHeaderLengthAt = 48;
constexpr size_t kStoreHeaderSize = 28;   // signature GUID, size, format, state, reserved
constexpr uint8_t kStoreFormatted = 0x5a, kStoreHealthy = 0xfe;
// An authenticated variable's header: start mark, state, reserved,
// attributes, monotonic count, time stamp, public key index, name size,
// data size, vendor GUID; name and data follow, the next header at a
// multiple of 4.
constexpr size_t kVariableHeaderSize = 60;
constexpr uint16_t kVariableStart = 0x55aa;
constexpr uint8_t kVarAdded = 0x3f, kVarDeletedMask = 0xfd;
constexpr uint32_t kNonVolatile = 1, kBootService = 2, kRuntime = 4, kTimeBasedAuthenticated = 0x20;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Region {
    size_t first = 0, end = 0;  // the first variable header, the region's end
};

bool FindRegion(const std::vector<uint8_t>& s, Region& r) {
    if (s.size() < 64 || std::memcmp(&s[kFvSignatureAt], "_FVH", 4) != 0) return false;
    const size_t header = Get16(&s[kFvHeaderLengthAt]);
    if (header + kStoreHeaderSize > s.size() || !std::equal(kAuthenticatedVariableGuid.begin(),
                                                            kAuthenticatedVariableGuid.end(), s.begin() + header))
        return false;
    const size_t size = Get32(&s[header + 16]);
    if (s[header + 20] != kStoreFormatted || s[header + 21] != kStoreHealthy || size < kStoreHeaderSize ||
        size > s.size() - header)
        return false;
    r.first = header + kStoreHeaderSize;
    r.end = header + size;
    return true;
}

struct Variable {
    size_t at;
    uint8_t state;
    uint32_t attributes, nameSize, dataSize;
    size_t next;  // where the next header may start
};

// Walks the headers; calls f for each until it returns false. Returns where
// the used part of the region ends (the first byte that is no header).
template <typename F>
size_t Walk(const std::vector<uint8_t>& s, const Region& r, F f) {
    size_t at = r.first;
    while (at + kVariableHeaderSize <= r.end && Get16(&s[at]) == kVariableStart) {
        Variable v{at, s[at + 2], Get32(&s[at + 4]), Get32(&s[at + 36]), Get32(&s[at + 40]), 0};
        const size_t end = at + kVariableHeaderSize + v.nameSize + v.dataSize;
        if (v.nameSize > r.end || v.dataSize > r.end || end > r.end) break;
        v.next = (end + 3) & ~size_t{3};
        if (!f(v)) break;
        at = v.next;
    }
    return at;
}

std::vector<uint8_t> Utf16Name(const char* name) {
    std::vector<uint8_t> out;
    for (const char* c = name;; ++c) {
        out.push_back(static_cast<uint8_t>(*c));
        out.push_back(0);
        if (!*c) break;
    }
    return out;
}

struct ListName {
    const char* name;
    const Guid& vendor;
    uint32_t attributes;
};

ListName NameOf(TrustList list) {
    if (list == TrustList::Db)
        return {"db", kImageSecurityDatabaseGuid, kNonVolatile | kBootService | kRuntime | kTimeBasedAuthenticated};
    // shim refuses a MokList that the running OS could have written.
    return {"MokList", kShimLockGuid, kNonVolatile | kBootService};
}

bool IsLive(const std::vector<uint8_t>& s, const Variable& v, const ListName& n) {
    const std::vector<uint8_t> name = Utf16Name(n.name);
    return v.state == kVarAdded && v.nameSize == name.size() &&
           std::equal(n.vendor.begin(), n.vendor.end(), s.begin() + v.at + 44) &&
           std::memcmp(&s[v.at + kVariableHeaderSize], name.data(), name.size()) == 0;
}

// The X.509 entries of a signature list's data.
std::vector<std::vector<uint8_t>> X509Entries(const uint8_t* data, size_t size) {
    std::vector<std::vector<uint8_t>> out;
    for (size_t at = 0; at + 28 <= size;) {
        const size_t listSize = Get32(data + at + 16), headerSize = Get32(data + at + 20),
                     entrySize = Get32(data + at + 24);
        if (listSize < 28 + headerSize || listSize > size - at || entrySize <= 16) break;
        if (std::equal(kCertX509Guid.begin(), kCertX509Guid.end(), data + at))
            for (size_t e = at + 28 + headerSize; e + entrySize <= at + listSize; e += entrySize)
                out.emplace_back(data + e + 16, data + e + entrySize);
        at += listSize;
    }
    return out;
}

}  // namespace

std::vector<std::vector<uint8_t>> Certificates(const std::vector<uint8_t>& store, TrustList list) {
    Region r;
    std::vector<std::vector<uint8_t>> out;
    if (!FindRegion(store, r)) return out;
    const ListName n = NameOf(list);
    Walk(store, r, [&](const Variable& v) {
        if (IsLive(store, v, n)) out = X509Entries(&store[v.at + kVariableHeaderSize + v.nameSize], v.dataSize);
        return true;
    });
    return out;
}

std::string AddCertificate(std::vector<uint8_t>& store, TrustList list, const std::vector<uint8_t>& der) {
    Region r;
    if (!FindRegion(store, r)) return "it is not a firmware variable store of the kind OVMF keeps";
    const ListName n = NameOf(list);
    for (const auto& cert : Certificates(store, list))
        if (cert == der) return std::string("the certificate is in ") + n.name + " already";
    // The live variable, if any: its header (time stamp, count) and data are
    // kept, and the new list goes behind its data.
    size_t old = 0;
    const size_t used = Walk(store, r, [&](const Variable& v) {
        if (IsLive(store, v, n)) old = v.at + 1;  // +1: 0 stays "none"
        return true;
    });
    std::vector<uint8_t> header(kVariableHeaderSize, 0), data;
    if (old) {
        const size_t at = old - 1;
        header.assign(store.begin() + at, store.begin() + at + kVariableHeaderSize);
        const size_t nameSize = Get32(&store[at + 36]), dataSize = Get32(&store[at + 40]);
        data.assign(store.begin() + at + kVariableHeaderSize + nameSize,
                    store.begin() + at + kVariableHeaderSize + nameSize + dataSize);
    } else {
        header[0] = kVariableStart & 0xff;
        header[1] = kVariableStart >> 8;
        Put32(&header[4], n.attributes);
        std::copy(n.vendor.begin(), n.vendor.end(), header.begin() + 44);
    }
    const uint32_t entrySize = static_cast<uint32_t>(16 + der.size());
    std::vector<uint8_t> esl(28, 0);
    std::copy(kCertX509Guid.begin(), kCertX509Guid.end(), esl.begin());
    Put32(&esl[16], 28 + entrySize);
    Put32(&esl[24], entrySize);
    esl.insert(esl.end(), kMenvoltOwnerGuid.begin(), kMenvoltOwnerGuid.end());
    esl.insert(esl.end(), der.begin(), der.end());
    data.insert(data.end(), esl.begin(), esl.end());

    const std::vector<uint8_t> name = Utf16Name(n.name);
    header[2] = kVarAdded;
    Put32(&header[36], static_cast<uint32_t>(name.size()));
    Put32(&header[40], static_cast<uint32_t>(data.size()));
    const size_t total = kVariableHeaderSize + name.size() + data.size();
    if (used + total > r.end || !std::all_of(store.begin() + used, store.begin() + used + total,
                                             [](uint8_t b) { return b == 0xff; }))
        return "the variable store has no room left for the certificate";
    std::copy(header.begin(), header.end(), store.begin() + used);
    std::copy(name.begin(), name.end(), store.begin() + used + kVariableHeaderSize);
    std::copy(data.begin(), data.end(), store.begin() + used + kVariableHeaderSize + name.size());
    // The old copy goes only once the new one is complete, as the firmware
    // itself retires a variable it rewrites.
    if (old) store[old - 1 + 2] &= kVarDeletedMask;
    return {};
}

std::string WriteStoreTrusting(const std::string& from, const std::string& der, TrustList list,
                               const std::string& out) {
    std::string store, cert;
    if (int e = platform::ReadHostFile(from, store, 64 << 20))
        return from + ": " + platform::ErrorText(e) + " (Debian's package ovmf has the variable stores)";
    if (int e = platform::ReadHostFile(der, cert, 1 << 20)) return der + ": " + platform::ErrorText(e);
    // DER: a SEQUENCE; a PEM file begins with its "-----BEGIN" line.
    if (cert.size() < 64 || static_cast<uint8_t>(cert[0]) != 0x30) return der + " is not a DER certificate.";
    std::vector<uint8_t> bytes(store.begin(), store.end());
    if (std::string why = AddCertificate(bytes, list, std::vector<uint8_t>(cert.begin(), cert.end())); !why.empty())
        return from + ": " + why;
    if (int e = platform::WriteHostFile(out, std::string(bytes.begin(), bytes.end()), 0644,
                                        platform::HostWrite::Replace))
        return "cannot write " + out + ": " + platform::ErrorText(e);
    return {};
}

}  // namespace secureboot
