#include "app/demo_share.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "image/image_library_calls.h"
#include "loader/loader_file.h"
#include "platform/file_system.h"
#include "platform/framework/termination_signals.h"
#include "platform/temp_folder.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "store/sif_file.h"

namespace {

struct DemoItem {
    const char* image;  // "" boots from the hard drive
    const char* description;
    const char* help;
};

// A 1.44 MB diskette image, made by the image library as the Create button
// makes one. When the library cannot make it, the item names a file that is
// missing, which the editor shows as it would on a real share.
void CreateImage(const std::string& windowsPath) {
    platform::ResolvedPath resolved = platform::Resolve(windowsPath);
    if (resolved.error != platform::FileError::None) return;
    std::string host = resolved.host.string();
    ImageCreateRequest request{};
    request.size = sizeof request;
    request.path = host.c_str();
    request.fixed = KTIMG_CREATE_FIXED;
    request.options = KTIMG_OPTION_STANDARD;
    request.capacity = 0;
    if (image::ImageLibrary().CreateImage(request) != KTIMG_OK)
        std::fprintf(stderr, "demo: the image library could not create %s\n", host.c_str());
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

std::filesystem::path BuildDemoShare(const std::string& computer) {
    const std::filesystem::path dir = platform::MakeTempFolder("menvolt-demo-");
    if (dir.empty()) return {};
    // An interrupted or terminated demo would leave its folder behind: the
    // signal closes the open windows instead, so the editor ends the ordinary
    // way and the folder is removed.
    framework::CloseWindowsOnTerminationSignals();
    platform::MapShare(computer, "RemInst", dir);
    const std::string risRoot = "\\\\" + computer + "\\RemInst\\";
    platform::CreateDirectory(risRoot + "Setup");
    platform::CreateDirectory(risRoot + "Setup\\English");
    platform::CreateDirectory(risRoot + "Setup\\German");

    MenuStore store;
    store.Load(risRoot, "English", 0);
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

    store.Load(risRoot, "English", 1);
    AddEntry(risRoot, store.GetFolder(), "Unattended installation diskette",
             "Starts the installation diskette that answers every question itself.", nullptr, {{"setup.img", "", ""}});

    store.Load(risRoot, "German", 0);
    AddEntry(risRoot, store.GetFolder(), "DOS-Startdiskette", "Startet DOS von einem Diskettenabbild.", nullptr,
             {{"dos.img", "", ""}});
    return dir;
}
