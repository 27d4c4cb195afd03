#include "demo_share.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "file_system.h"
#include "image_library.h"
#include "loader_file.h"
#include "menu_entry.h"
#include "menu_store.h"
#include "sif_file.h"

namespace {

struct DemoItem {
    const char* image;  // "" boots from the hard drive
    const char* description;
    const char* help;
};

void PutWord(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A boot image through the image library; falls back to our own blank
// diskette while the library cannot create images.
void CreateImage(const std::string& windowsPath) {
    platform::ResolvedPath resolved = platform::Resolve(windowsPath);
    if (resolved.error == platform::FileError::None) {
        std::string host = resolved.host.string();
        ImageCreateRequest request{};
        request.size = sizeof request;
        request.path = host.c_str();
        request.fixed = KTIMG_CREATE_FIXED;
        request.options = KTIMG_OPTION_STANDARD;
        if (KTCreateImage(&request) == KTIMG_OK) return;
    }
    WriteBlankFloppyImage(windowsPath);
}

// One entry written the way the create wizard writes one: loader first, then
// the OSChooser file naming it.
void AddEntry(const std::string& risRoot, const std::string& folder, const char* description, const char* help,
              const char* banner, const std::vector<DemoItem>& items) {
    MenuEntry entry(risRoot);
    entry.m_folder = folder;
    std::string loaderName, sifName;
    entry.AllocateFileNames(loaderName, sifName);
    std::string relative = folder.substr(risRoot.size());
    entry.m_loader.SetServerPath(relative);
    if (banner) entry.m_loader.SetTitle(banner);
    for (size_t slot = 0; slot < items.size(); ++slot) {
        entry.m_loader.SetItem(static_cast<int>(slot), items[slot].image, items[slot].description, items[slot].help);
        if (*items[slot].image && !platform::Exists(folder + items[slot].image)) CreateImage(folder + items[slot].image);
    }
    entry.m_loader.SaveAs(folder + loaderName);
    entry.m_sif.SetValue("Description", description);
    entry.m_sif.SetValue("Help", help);
    entry.m_sif.SetValue("LaunchFile", relative + loaderName);
    entry.m_sif.SetVersion(entry.m_loader.GetVersion());
    entry.m_sif.SaveAs(folder + sifName);
}

// An OSChooser file only, with the LaunchFile given.
void AddBareOSChooserFile(const std::string& folder, const char* description, const std::string& launchFile) {
    MenuEntry entry("");
    entry.m_folder = folder;
    std::string loaderName, sifName;
    entry.AllocateFileNames(loaderName, sifName);
    entry.m_sif.SetValue("Description", description);
    entry.m_sif.SetValue("Help", "Shows how the editor lists an entry it cannot follow.");
    entry.m_sif.SetValue("LaunchFile", launchFile);
    entry.m_sif.SaveAs(folder + sifName);
}

}  // namespace

bool WriteBlankFloppyImage(const std::string& windowsPath) {
    const size_t kSectors = 2880, kSector = 512;
    std::vector<uint8_t> disk(kSectors * kSector, 0);
    const uint8_t jump[] = {0xEB, 0x3C, 0x90};
    std::memcpy(&disk[0], jump, 3);
    std::memcpy(&disk[3], "MENVOLT ", 8);
    PutWord(disk, 11, 512);  // bytes per sector
    disk[13] = 1;            // sectors per cluster
    PutWord(disk, 14, 1);    // reserved sectors
    disk[16] = 2;            // FATs
    PutWord(disk, 17, 224);  // root entries
    PutWord(disk, 19, 2880); // sectors
    disk[21] = 0xF0;         // media: 3.5" 1.44 MB
    PutWord(disk, 22, 9);    // sectors per FAT
    PutWord(disk, 24, 18);   // sectors per track
    PutWord(disk, 26, 2);    // heads
    disk[38] = 0x29;         // extended boot signature
    PutWord(disk, 39, 0x4D56);
    PutWord(disk, 41, 0x4F4C);
    std::memcpy(&disk[43], "MENVOLT DEMO", 11);
    std::memcpy(&disk[54], "FAT12   ", 8);
    // Boot code: say that this diskette holds no system and wait for a key,
    // then let the BIOS try the next boot device.
    const char message[] = "Empty diskette image. Press a key.\r\n";
    const uint8_t code[] = {0x31, 0xC0, 0x8E, 0xD8, 0xBE, 0x00, 0x00,  // xor ax,ax; mov ds,ax; mov si,msg
                            0xAC, 0x08, 0xC0, 0x74, 0x09,              // lodsb; or al,al; jz done
                            0xB4, 0x0E, 0xBB, 0x07, 0x00, 0xCD, 0x10,  // mov ah,0Eh; mov bx,7; int 10h
                            0xEB, 0xF2,                                // jmp lodsb
                            0x31, 0xC0, 0xCD, 0x16,                    // xor ax,ax; int 16h
                            0xCD, 0x18};                               // int 18h
    const size_t codeAt = 62, messageAt = codeAt + sizeof code;
    std::memcpy(&disk[codeAt], code, sizeof code);
    PutWord(disk, codeAt + 5, static_cast<uint16_t>(0x7C00 + messageAt));
    std::memcpy(&disk[messageAt], message, sizeof message);
    disk[510] = 0x55;
    disk[511] = 0xAA;
    for (size_t fat = 0; fat < 2; ++fat) {
        size_t at = (1 + fat * 9) * kSector;
        disk[at] = 0xF0;
        disk[at + 1] = 0xFF;
        disk[at + 2] = 0xFF;
    }
    size_t root = 19 * kSector;
    std::memcpy(&disk[root], "MENVOLT DEMO", 11);
    disk[root + 11] = 0x08;  // volume label
    return platform::WriteFileAtomically(windowsPath, disk.data(), disk.size()) == platform::FileError::None;
}

std::filesystem::path BuildDemoShare(const std::string& computer) {
    std::string pattern = (std::filesystem::temp_directory_path() / "menvolt-demo-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return {};
    std::filesystem::path dir = pattern;
    platform::MapShare(computer, "RemInst", dir);
    const std::string risRoot = "\\\\" + computer + "\\RemInst\\";
    platform::CreateDirectory(risRoot + "Setup");
    platform::CreateDirectory(risRoot + "Setup\\English");
    platform::CreateDirectory(risRoot + "Setup\\German");

    MenuStore store;
    store.Load(risRoot, "English", "Zent", 0);
    const std::string tools = store.GetFolder();
    AddEntry(risRoot, tools, "DOS boot diskette", "Starts DOS from a 1.44 MB diskette image in a RAM disk.", nullptr,
             {{"dos.img", "", ""}});
    AddEntry(risRoot, tools, "Maintenance tools", "A menu of diagnostic diskettes.", "Maintenance tools",
             {{"memtest.img", "Memory test", "Tests the computer's memory."},
              {"netdiag.img", "Network diagnostics", "Checks the network card and the cabling."},
              {"", "Boot from hard drive", "Leaves the network boot and starts the installed system."}});
    AddBareOSChooserFile(tools, "Entry without a loader file", "");
    AddBareOSChooserFile(tools, "Entry whose loader file is missing",
                         tools.substr(risRoot.size()) + "tool9.ldr");

    store.Load(risRoot, "English", "Zent", 1);
    AddEntry(risRoot, store.GetFolder(), "Unattended installation diskette",
             "Starts the installation diskette that answers every question itself.", nullptr, {{"setup.img", "", ""}});

    store.Load(risRoot, "German", "Zent", 0);
    AddEntry(risRoot, store.GetFolder(), "DOS-Startdiskette", "Startet DOS von einem Diskettenabbild.", nullptr,
             {{"dos.img", "", ""}});
    return dir;
}
