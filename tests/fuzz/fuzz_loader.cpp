// Fuzzes LoaderFile: any bytes on disk, opened, edited a little and saved.
// Open must refuse or accept without reading past what it read, and every
// document it accepts must survive edits and a save/reopen round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/file_system.h"
#include "platform/message_box.h"

namespace {

class Silent : public platform::MessageSink {
public:
    int Show(const platform::MessageRequest&) override { return IDNO; }
};

std::string Folder() {
    static std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "menvolt-fuzz-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) abort();
        platform::MapDrive('F', tmpl);
        static Silent silent;
        platform::SetMessageSink(&silent);
        return tmpl;
    }();
    return folder;
}

void Check(bool condition) {
    if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string folder = Folder();
    {
        std::ofstream out(folder + "/in.ldr", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CheckLoaderStructure(data, size);

    LoaderFile doc;
    if (!doc.Open("F:\\in.ldr")) return 0;
    Check(doc.Length() == static_cast<int>(size));

    // The tail of the input picks a few edits.
    uint8_t pick = size ? data[size - 1] : 0;
    int slot = pick & 7;
    std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, (pick >> 3) * 4));
    switch (pick % 5) {
        case 0: doc.SetItem(slot, text, "d", text); break;
        case 1: doc.RemoveItem(slot); break;
        case 2: doc.SetTitle(text); break;
        case 3: doc.SetServerPath(text); break;
        case 4: doc.SetColors(static_cast<uint16_t>(pick * 257)); break;
    }
    doc.SetItem(0, "a.img", "A", std::string(pick, 'w'));
    Check(doc.Length() <= static_cast<int>(layout::LDR_MAX_SIZE));
    Check(doc.GetItemCount() <= 8);
    std::string image, description, help;
    for (int s = 0; s < 8; ++s) doc.GetItem(s, image, description, help);

    Check(doc.SaveAs("F:\\out.ldr"));
    LoaderFile again;
    Check(again.Open("F:\\out.ldr"));
    Check(again.GetItemCount() == doc.GetItemCount());
    Check(again.GetTitle() == doc.GetTitle());
    return 0;
}
