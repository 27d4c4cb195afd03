#include "tests/support/share_fixture.h"

#include "loader/loader_file.h"
#include "store/sif_file.h"

namespace menvolt_test {

std::string Root() { return menvolt_test::TempShare::Unc(); }

std::string EntryFolder(const std::string& language, int tab) {
    return Root() + "Setup\\" + language + (tab == 0 ? "\\Tools" : "\\Images") + "\\Zent\\i386\\";
}

void MakeLanguage(const menvolt_test::TempShare& share, const std::string& language, bool withChain) {
    std::filesystem::create_directories(share.path() / "Setup" / language);
    if (withChain)
        std::filesystem::create_directories(share.path() / "Setup" / language / "Tools" / "Zent" / "i386" / "templates");
}

void WriteLoader(const std::string& language, const std::string& loaderName, int items) {
    if (loaderName.empty()) return;
    LoaderFile loader;
    loader.SetServerPath(EntryFolder(language).substr(Root().size()));
    for (int i = 0; i < items; ++i)
        loader.SetItem(i, "disk" + std::to_string(i) + ".img", "Item " + std::to_string(i), "Help");
    loader.SaveAs(EntryFolder(language) + loaderName);
}

void WriteSif(const std::string& language, const std::string& sifName, const std::string& description,
              const std::string& launchFile) {
    SifFile sif;
    sif.SetValue("Description", description);
    sif.SetValue("Help", "Help text");
    sif.SetValue("LaunchFile", launchFile);
    sif.SaveAs(EntryFolder(language) + "templates\\" + sifName);
}

void WriteEntry(const std::string& language, const std::string& number, const std::string& description,
                int items) {
    std::string loader = "tool" + number + ".ldr";
    WriteLoader(language, loader, items);
    WriteSif(language, "tool" + number + ".sif", description, EntryFolder(language).substr(Root().size()) + loader);
}

std::filesystem::path Host(const menvolt_test::TempShare& share, const std::string& relative) {
    std::filesystem::path p = share.path();
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        if (end > start) p /= relative.substr(start, end - start);
        start = end + 1;
    }
    return p;
}

}  // namespace menvolt_test
