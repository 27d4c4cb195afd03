#include "loader/loader_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "loader/loader_template.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "res/string_table.h"

using namespace layout;

namespace {

constexpr const char kSignature[] = "QVLRIS";
constexpr const char kDefaultBanner[] = "Client Installation Wizard";

uint32_t ErrorIdFor(platform::FileError error) {
    switch (error) {
        case platform::FileError::FileNotFound: return res::IDS_IMAGE_NOT_FOUND;
        case platform::FileError::BadPath: return res::IDS_INVALID_PATH;
        case platform::FileError::AccessDenied: return res::IDS_WRITE_PROTECTED;
        case platform::FileError::DiskFull: return res::IDS_DISK_FULL;
        default: return res::IDS_OPEN_ERROR;
    }
}

uint16_t ReadWord(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint8_t ByteSum(const uint8_t* data, size_t length) {
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i) sum += data[i];
    return static_cast<uint8_t>(sum);
}

// Length of the NUL-terminated string at offset, or -1 when it does not end
// inside the first `length` bytes.
long TerminatedLength(const uint8_t* data, size_t length, size_t offset) {
    if (offset >= length) return -1;
    const void* nul = std::memchr(data + offset, 0, length - offset);
    return nul ? static_cast<const uint8_t*>(nul) - (data + offset) : -1;
}

}  // namespace

uint32_t CheckLoaderStructure(const uint8_t* data, size_t length) {
    if (length > LDR_MAX_SIZE) return res::IDS_BAD_FORMAT;
    if (length < LDR_SIGNATURE + LDR_SIGNATURE_SIZE ||
        std::memcmp(data + LDR_SIGNATURE, kSignature, LDR_SIGNATURE_SIZE) != 0)
        return res::IDS_BAD_FORMAT;
    if (length < LDR_HEADER_PTR + 2) return res::IDS_BAD_FORMAT;
    size_t header = ReadWord(data + LDR_HEADER_PTR);
    // The header lies behind the template's program area, so no header field
    // can overlay the client's code, and inside the file.
    if (header < LDR_HEADER || header + LDR_HEADER_SIZE > length) return res::IDS_BAD_FORMAT;
    if (ReadWord(data + header + HDR_ITEM_COUNT) > LDR_SLOT_COUNT) return res::IDS_BAD_FORMAT;
    // The 26 strings follow the header and each other in slot order, each
    // offset just behind the previous string's NUL, as every file the editor
    // writes has them: the layout pass after a change walks them that way,
    // so any other arrangement would change what the items say.
    size_t at = ReadWord(data + header + HDR_TITLE);
    if (at < header + LDR_HEADER_SIZE) return res::IDS_BAD_FORMAT;
    for (size_t field = HDR_TITLE; field < LDR_HEADER_SIZE; field += 2) {
        if (ReadWord(data + header + field) != at) return res::IDS_BAD_FORMAT;
        long n = TerminatedLength(data, length, at);
        if (n < 0) return res::IDS_BAD_FORMAT;
        at += static_cast<size_t>(n) + 1;
    }
    return 0;
}

LoaderFile::LoaderFile() {
    std::span<const uint8_t> tmpl = loader::Template();
    std::copy(tmpl.begin(), tmpl.end(), m_buffer.begin());
    m_header = Word(LDR_HEADER_PTR);
    Relayout();
    SetTitle(kDefaultBanner);
}

uint16_t LoaderFile::Word(size_t offset) const { return ReadWord(m_buffer.data() + offset); }

void LoaderFile::SetWord(size_t offset, uint16_t value) {
    m_buffer[offset] = static_cast<uint8_t>(value & 0xFF);
    m_buffer[offset + 1] = static_cast<uint8_t>(value >> 8);
}

std::string LoaderFile::StringAt(size_t offset) const {
    long n = TerminatedLength(m_buffer.data(), static_cast<size_t>(m_length), offset);
    if (n < 0) return {};
    return std::string(reinterpret_cast<const char*>(m_buffer.data() + offset), static_cast<size_t>(n));
}

// ---- Files -------------------------------------------------------------------

BOOL LoaderFile::Open(const std::string& path) {
    m_path = path;
    m_error = 0;
    m_errorCause = 0;
    m_readOnly = false;

    platform::ReadResult read = platform::ReadWholeFile(path, LDR_MAX_SIZE);
    if (read.tooLarge) {
        m_error = res::IDS_BAD_FORMAT;
        return FALSE;
    }
    if (read.error != platform::FileError::None) {
        // Reading is refused for other reasons than writing: the message
        // that names the failure says which.
        const bool folder = read.error == platform::FileError::AccessDenied && platform::IsDirectory(path);
        if (folder || read.error == platform::FileError::NotAFile) {
            m_error = res::IDS_OPEN_ERROR;
            m_errorCause = res::IDS_NOT_A_FILE;
        } else {
            m_error = ErrorIdFor(read.error);
            if (read.error == platform::FileError::AccessDenied) m_errorCause = res::IDS_READ_DENIED;
        }
        return FALSE;
    }
    const std::vector<uint8_t>& bytes = read.bytes;
    m_readOnly = read.readOnly;

    // Structure first; a newer version is reported before the finer checks,
    // since a newer format may lay its strings out differently.
    bool signatureOk = bytes.size() >= LDR_SIGNATURE + LDR_SIGNATURE_SIZE &&
                       std::memcmp(bytes.data() + LDR_SIGNATURE, kSignature, LDR_SIGNATURE_SIZE) == 0;
    size_t header = bytes.size() >= LDR_HEADER_PTR + 2 ? ReadWord(bytes.data() + LDR_HEADER_PTR) : 0;
    if (!signatureOk || header < LDR_HEADER || header + LDR_HEADER_SIZE > bytes.size()) {
        m_error = res::IDS_BAD_FORMAT;
        return FALSE;
    }
    uint16_t version = ReadWord(bytes.data() + header + HDR_VERSION);
    if (version > LDR_FORMAT_VERSION) {
        platform::AfxMessageBox(res::FormatString(res::IDS_NEWER_VERSION, version >> 8, version & 0xFF),
                                platform::MB_OK | platform::MB_ICONERROR);
        return FALSE;
    }
    if (uint32_t bad = CheckLoaderStructure(bytes.data(), bytes.size())) {
        m_error = bad;
        return FALSE;
    }
    if (ByteSum(bytes.data(), bytes.size()) != 0) {
        m_error = res::IDS_BAD_CHECKSUM;
        return FALSE;
    }

    std::fill(m_buffer.begin(), m_buffer.end(), 0);
    std::copy(bytes.begin(), bytes.end(), m_buffer.begin());
    m_length = static_cast<int32_t>(bytes.size());
    m_header = static_cast<int>(header);
    m_countdownNote = 0;
    KeepStartOnAnItem(res::IDS_COUNTDOWN_OFF_NO_ITEM);
    return TRUE;
}

std::string LoaderFile::ErrorText() const {
    if (m_error == 0) return {};
    std::string text = res::LoadString(m_error);
    if (m_errorCause == 0) return text;
    return text + (text.empty() || text.back() != '.' ? ". " : " ") + res::LoadString(m_errorCause);
}

void LoaderFile::Seal() {
    KeepStartOnAnItem(res::IDS_COUNTDOWN_OFF_NO_ITEM);
    SetWord(LDR_LENGTH, static_cast<uint16_t>(m_length & 0xFFFF));
    m_buffer[m_header + HDR_CHECKSUM] = 0;
    m_buffer[m_header + HDR_CHECKSUM] =
        static_cast<uint8_t>(0x100 - ByteSum(m_buffer.data(), static_cast<size_t>(m_length)));
}

BOOL LoaderFile::Saved(platform::FileError error) {
    if (error == platform::FileError::None) return TRUE;
    m_error = ErrorIdFor(error);
    platform::AfxMessageBox(m_error, platform::MB_OK | platform::MB_ICONERROR);
    return FALSE;
}

BOOL LoaderFile::Save() {
    Seal();
    return Saved(platform::WriteFileAtomically(m_path, m_buffer.data(), static_cast<size_t>(m_length)));
}

BOOL LoaderFile::SaveIn(const platform::HeldFile& file) {
    Seal();
    return Saved(platform::WriteFileAtomicallyIn(file, m_buffer.data(), static_cast<size_t>(m_length)));
}

BOOL LoaderFile::SaveAs(const std::string& path) {
    m_path = path;
    return Save();
}

BOOL LoaderFile::SaveNew(const std::string& folder, std::string& name) {
    platform::HeldFolder held;
    if (platform::FileError e = platform::HoldFolder(folder, held); e != platform::FileError::None) return Saved(e);
    return SaveNewIn(held, name);
}

BOOL LoaderFile::SaveNewIn(const platform::HeldFolder& folder, std::string& name) {
    Seal();
    platform::FileError error = platform::CreateNewFileIn(
        folder, [](unsigned n) { return "tool" + std::to_string(n) + ".ldr"; }, m_buffer.data(),
        static_cast<size_t>(m_length), name);
    if (!Saved(error)) return FALSE;
    m_path = folder.path + name;
    m_readOnly = false;
    return TRUE;
}

// ---- Strings and layout ---------------------------------------------------------

BOOL LoaderFile::SetString(size_t offset, const std::string& text) {
    // The stored string ends at its NUL; the text stops at its first NUL.
    size_t newLength = std::strlen(text.c_str());
    long old = TerminatedLength(m_buffer.data(), static_cast<size_t>(m_length), offset);
    if (old < 0) return FALSE;
    size_t oldLength = static_cast<size_t>(old);
    size_t total = static_cast<size_t>(m_length) - oldLength + newLength;
    if (total > LDR_MAX_SIZE) return FALSE;

    // Move exactly the bytes behind the old string's NUL.
    size_t tailFrom = offset + oldLength + 1;
    size_t tailSize = static_cast<size_t>(m_length) - tailFrom;
    std::memmove(m_buffer.data() + offset + newLength + 1, m_buffer.data() + tailFrom, tailSize);
    std::memcpy(m_buffer.data() + offset, text.c_str(), newLength + 1);
    if (total < static_cast<size_t>(m_length))
        std::fill(m_buffer.begin() + static_cast<long>(total), m_buffer.begin() + m_length, 0);
    m_length = static_cast<int32_t>(total);
    Relayout();
    return TRUE;
}

void LoaderFile::Relayout() {
    size_t at = HeaderWord(HDR_TITLE);
    auto next = [&](size_t field) {
        SetHeaderWord(field, static_cast<uint16_t>(at));
        const void* nul = std::memchr(m_buffer.data() + at, 0, m_buffer.size() - at);
        at = static_cast<const uint8_t*>(nul) - m_buffer.data() + 1;
    };
    // The title keeps its offset; every later string follows the one before.
    const void* nul = std::memchr(m_buffer.data() + at, 0, m_buffer.size() - at);
    at = static_cast<const uint8_t*>(nul) - m_buffer.data() + 1;
    next(HDR_SERVER_PATH);
    for (int slot = 0; slot < static_cast<int>(LDR_SLOT_COUNT); ++slot) {
        next(SlotField(slot, SLOT_IMAGE));
        next(SlotField(slot, SLOT_DESCRIPTION));
        next(SlotField(slot, SLOT_HELP));
    }
    m_length = static_cast<int32_t>(at);
}

BOOL LoaderFile::WrapText(const std::string& text, std::string& wrapped) {
    std::string s(text.c_str());
    size_t start = 0;
    size_t limit = layout::HELP_FIRST_LINE;
    while (s.size() - start > limit) {
        size_t brk = limit;
        if (s[start + limit] != ' ') {
            for (size_t p = limit - 1; p >= layout::HELP_BREAK_FROM; --p) {
                if (s[start + p] == ' ') {
                    brk = p;
                    break;
                }
            }
        }
        s.insert(start + brk + 1, 1, '\n');
        start = start + brk + 1;  // the line feed is position 0 of the next line
        limit = layout::HELP_NEXT_LINE;
    }
    if (s.size() + 1 > LDR_HELP_WORK_SIZE) return FALSE;
    wrapped = std::move(s);
    return TRUE;
}

BOOL LoaderFile::WrapHelpText(size_t offset, const std::string& text) {
    std::string wrapped;
    if (!WrapText(text, wrapped)) return FALSE;
    return SetString(offset, wrapped);
}

// ---- Items -----------------------------------------------------------------------

uint16_t LoaderFile::GetVersion() const { return HeaderWord(HDR_VERSION); }

int LoaderFile::GetItemCount() const { return HeaderWord(HDR_ITEM_COUNT); }

BOOL LoaderFile::SetItem(int slot, const std::string& imageFile, const std::string& description,
                         const std::string& helpText) {
    if (slot < 0 || slot >= static_cast<int>(LDR_SLOT_COUNT)) return FALSE;
    // Three strings change one after the other; keep the old image so a
    // refused change leaves no trace.
    std::array<uint8_t, LDR_MAX_SIZE> saved = m_buffer;
    int32_t savedLength = m_length;
    uint16_t count = HeaderWord(HDR_ITEM_COUNT);
    if (count < slot + 1) SetHeaderWord(HDR_ITEM_COUNT, static_cast<uint16_t>(slot + 1));
    if (SetString(HeaderWord(SlotField(slot, SLOT_IMAGE)), imageFile) &&
        SetString(HeaderWord(SlotField(slot, SLOT_DESCRIPTION)), description) &&
        WrapHelpText(HeaderWord(SlotField(slot, SLOT_HELP)), helpText))
        return TRUE;
    m_buffer = saved;
    m_length = savedLength;
    return FALSE;
}

void LoaderFile::GetItem(int slot, std::string& imageFile, std::string& description,
                         std::string& helpText) const {
    imageFile = GetImageFile(slot);
    description = GetDescription(slot);
    helpText = GetHelpText(slot);
}

std::string LoaderFile::GetImageFile(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(LDR_SLOT_COUNT)) return {};
    return StringAt(HeaderWord(SlotField(slot, SLOT_IMAGE)));
}

std::string LoaderFile::GetDescription(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(LDR_SLOT_COUNT)) return {};
    return StringAt(HeaderWord(SlotField(slot, SLOT_DESCRIPTION)));
}

std::string LoaderFile::GetHelpText(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(LDR_SLOT_COUNT)) return {};
    std::string text = StringAt(HeaderWord(SlotField(slot, SLOT_HELP)));
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}

BOOL LoaderFile::RemoveItem(int slot) {
    int count = GetItemCount();
    if (slot < 0 || slot >= count) return FALSE;
    // The slot's three strings, NULs included, leave; everything behind moves down.
    size_t from = HeaderWord(SlotField(slot, SLOT_IMAGE));
    size_t helpAt = HeaderWord(SlotField(slot, SLOT_HELP));
    long helpLength = TerminatedLength(m_buffer.data(), static_cast<size_t>(m_length), helpAt);
    if (helpLength < 0) return FALSE;
    size_t end = helpAt + static_cast<size_t>(helpLength) + 1;
    size_t n = end - from;
    std::memmove(m_buffer.data() + from, m_buffer.data() + end, static_cast<size_t>(m_length) - end);
    // The last n bytes of the old image become zeros: slot 7's empty strings.
    std::fill(m_buffer.begin() + (m_length - static_cast<long>(n)), m_buffer.begin() + m_length, 0);
    SetHeaderWord(HDR_ITEM_COUNT, static_cast<uint16_t>(count - 1));
    Relayout();
    // The start item stays on the same item. When that one went, the first
    // item is where the menu opens, but nobody chose it for the countdown.
    int start = GetDefaultItem();
    if (HasOwnClient() && start >= slot) {
        if (start == slot && GetTimeout() != 0) {
            SetWord(LDR_TIMEOUT, 0);
            m_countdownNote = res::IDS_COUNTDOWN_OFF_REMOVED;
        }
        SetDefaultItem(start == slot ? 0 : start - 1);
    }
    KeepStartOnAnItem(res::IDS_COUNTDOWN_OFF_NO_ITEM);
    return TRUE;
}

// ---- Banner, colours, paths ---------------------------------------------------

std::string LoaderFile::GetTitle() const {
    std::string title = StringAt(HeaderWord(HDR_TITLE));
    const char* blank = " \t\r\n\v\f";
    size_t first = title.find_first_not_of(blank);
    if (first == std::string::npos) return {};
    size_t last = title.find_last_not_of(blank);
    return title.substr(first, last - first + 1);
}

BOOL LoaderFile::SetTitle(const std::string& banner) {
    std::string title = "  " + std::string(banner.c_str());
    while (title.size() < LDR_BANNER_WIDTH) title += ' ';
    return SetString(HeaderWord(HDR_TITLE), title);
}

uint16_t LoaderFile::GetColors() const {
    return static_cast<uint16_t>((m_buffer[m_header + HDR_HIGHLIGHT_ATTR] << 8) | m_buffer[m_header + HDR_NORMAL_ATTR]);
}

void LoaderFile::SetColors(uint16_t colors) {
    m_buffer[m_header + HDR_NORMAL_ATTR] = static_cast<uint8_t>(colors & 0xFF);
    m_buffer[m_header + HDR_HIGHLIGHT_ATTR] = static_cast<uint8_t>(colors >> 8);
}

std::string LoaderFile::GetServerPath() const { return StringAt(HeaderWord(HDR_SERVER_PATH)); }

BOOL LoaderFile::SetServerPath(const std::string& path) { return SetString(HeaderWord(HDR_SERVER_PATH), path); }

// ---- Start item and timeout ----------------------------------------------------

bool LoaderFile::HasOwnClient() const {
    std::span<const uint8_t> tmpl = loader::Template();
    // Everything in front of the two words, the length word aside (every
    // save sets it).
    auto same = [&](size_t from, size_t to) {
        return std::equal(m_buffer.begin() + from, m_buffer.begin() + to, tmpl.begin() + from);
    };
    return m_length >= static_cast<int32_t>(LDR_HEADER) && same(0, LDR_LENGTH) && same(LDR_LENGTH + 2, LDR_SELECTED);
}

BOOL LoaderFile::SetDefaultItem(int slot) {
    if (!HasOwnClient() || slot < 0 || slot >= static_cast<int>(LDR_SLOT_COUNT)) return FALSE;
    SetWord(LDR_SELECTED, static_cast<uint16_t>(slot));
    return TRUE;
}

BOOL LoaderFile::SetTimeout(int seconds) {
    if (!HasOwnClient() || seconds < 0 || seconds > static_cast<int>(LDR_TIMEOUT_MAX)) return FALSE;
    SetWord(LDR_TIMEOUT, static_cast<uint16_t>(seconds));
    return TRUE;
}

void LoaderFile::KeepStartOnAnItem(uint32_t why) {
    // A foreign client program may read these words otherwise: leave them.
    // A single item is taken without a menu, so its words count nothing.
    const int count = GetItemCount();
    if (!HasOwnClient() || GetTimeout() == 0 || count < 2 || GetDefaultItem() < count) return;
    SetWord(LDR_TIMEOUT, 0);
    if (!m_countdownNote) m_countdownNote = why;
}

uint32_t LoaderFile::TakeCountdownNote() {
    const uint32_t note = m_countdownNote;
    m_countdownNote = 0;
    return note;
}

std::string LoaderFile::GetFolder() const {
    size_t cut = m_path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : m_path.substr(0, cut + 1);
}
