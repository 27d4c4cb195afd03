// LoaderFile: the editor's in-memory copy of one loader file. The whole file
// image lives in a fixed 8192-byte buffer and is edited in place, so that at
// every moment the buffer is exactly the file a save writes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "loader/layout.h"
#include "platform/win_types.h"

namespace platform {
struct HeldFile;
struct HeldFolder;
enum class FileError;
}  // namespace platform

class LoaderFile {
public:
    // A new document from the template, with the default banner.
    LoaderFile();

    // Reads and checks an existing file. On failure m_error names the cause
    // (0 after the newer-version message, which Open shows itself) and the
    // document keeps the image it had.
    BOOL Open(const std::string& path);
    // Sets the length word and the checksum and writes the file; shows a
    // message and returns FALSE on failure, leaving the file on disk intact.
    BOOL Save();
    BOOL SaveAs(const std::string& path);
    // Creates the first free "tool<N>.ldr" in `folder` (ending with a
    // backslash), complete or not at all, even with other writers at the
    // same moment; `name` receives the name. Shows a message on failure.
    BOOL SaveNew(const std::string& folder, std::string& name);
    // The same through a folder held by the change they are part of.
    BOOL SaveIn(const platform::HeldFile& file);
    BOOL SaveNewIn(const platform::HeldFolder& folder, std::string& name);
    // TRUE when Open found a file this user may read but not write.
    bool IsReadOnly() const { return m_readOnly; }

    uint16_t GetVersion() const;
    int GetItemCount() const;

    // Change operations return FALSE, and leave the document exactly as it
    // was, when the change would break a limit of the format: a slot outside
    // 0-7, an image over 8192 bytes, a wrapped help text over 272 bytes.
    BOOL SetItem(int slot, const std::string& imageFile, const std::string& description,
                 const std::string& helpText);
    void GetItem(int slot, std::string& imageFile, std::string& description, std::string& helpText) const;
    std::string GetImageFile(int slot) const;
    std::string GetDescription(int slot) const;
    std::string GetHelpText(int slot) const;
    BOOL RemoveItem(int slot);

    std::string GetTitle() const;
    BOOL SetTitle(const std::string& banner);
    uint16_t GetColors() const;
    void SetColors(uint16_t colors);
    std::string GetServerPath() const;
    BOOL SetServerPath(const std::string& path);
    std::string GetFolder() const;

    // The item the menu starts on and takes when its timeout runs out, and
    // the timeout in seconds (0: wait for a key), as stored. Only a file
    // that carries our own client program (its program bytes are the
    // template's) takes changes: another program may use these words
    // otherwise, or not at all. The setters return FALSE for such a file
    // and for a slot outside 0-7 or a timeout above LDR_TIMEOUT_MAX.
    bool HasOwnClient() const;
    uint16_t GetDefaultItem() const { return Word(layout::LDR_SELECTED); }
    BOOL SetDefaultItem(int slot);
    uint16_t GetTimeout() const { return Word(layout::LDR_TIMEOUT); }
    BOOL SetTimeout(int seconds);
    // The countdown only ever starts an item somebody chose: Open, RemoveItem
    // and every save turn it off (timeout 0) when the start item names no
    // item, and removing an item before the start item moves the start along.
    // Returns the string-table identifier of the sentence that tells the
    // user (0 when the countdown was not turned off) and forgets it, so that
    // it is said once.
    uint32_t TakeCountdownNote();

    // The help text as the client shows it: line feeds inserted after the
    // break positions. Returns FALSE when the wrapped text does not fit the
    // client's 272-byte work area.
    static BOOL WrapText(const std::string& text, std::string& wrapped);

    // Raw access for tools and tests.
    const uint8_t* Data() const { return m_buffer.data(); }
    int Length() const { return m_length; }
    int HeaderOffset() const { return m_header; }
    const std::string& GetPath() const { return m_path; }

    uint32_t m_error = 0;
    // Why a file that could not be read was refused, added after m_error's
    // text (access denied, or a folder, pipe or device); 0 for none.
    uint32_t m_errorCause = 0;
    // m_error's text with its cause; empty when there is no error.
    std::string ErrorText() const;

private:
    uint16_t Word(size_t offset) const;
    void SetWord(size_t offset, uint16_t value);
    uint16_t HeaderWord(size_t field) const { return Word(m_header + field); }
    void SetHeaderWord(size_t field, uint16_t value) { SetWord(m_header + field, value); }
    size_t SlotField(int slot, size_t field) const {
        return layout::HDR_SLOTS + static_cast<size_t>(slot) * layout::HDR_SLOT_SIZE + field;
    }
    std::string StringAt(size_t offset) const;

    BOOL SetString(size_t offset, const std::string& text);
    BOOL WrapHelpText(size_t offset, const std::string& text);
    void Relayout();
    void CheckVersionMessage() const;
    // Turns the countdown off when the start item names no item; `why` is
    // the note to keep when it does.
    void KeepStartOnAnItem(uint32_t why);
    // Sets the length word and the checksum before a save.
    void Seal();
    // TRUE after a save without error, else the message and FALSE.
    BOOL Saved(platform::FileError error);

    int m_header = 0;  // offset of the header in m_buffer
    std::array<uint8_t, layout::LDR_MAX_SIZE> m_buffer{};
    int32_t m_length = 0;
    std::string m_path;
    bool m_readOnly = false;
    uint32_t m_countdownNote = 0;
};

// Returns 0 when the bytes are a loader file the editor accepts, else the
// string-table identifier of the first failing check (version not checked).
uint32_t CheckLoaderStructure(const uint8_t* data, size_t length);
