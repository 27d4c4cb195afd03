// The Windows-style file layer: path mapping, case-insensitive names,
// wildcard listings in a stable order, and the operations built on them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/file_system.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using namespace platform;
using menvolt_test::ReadText;
using menvolt_test::TempDir;
using menvolt_test::TempShare;
using menvolt_test::WriteText;

namespace {

std::vector<std::string> Names(const std::string& pattern) {
    std::vector<std::string> names;
    for (const FindData& d : ListMatches(pattern)) names.push_back(d.name);
    return names;
}

}  // namespace

TEST(Wildcards, DosRules) {
    EXPECT_TRUE(WildcardMatch("*.*", "noextension"));
    EXPECT_TRUE(WildcardMatch("*.sif", "X.SIF"));
    EXPECT_FALSE(WildcardMatch("*.sif", "x.sif.bak"));
    EXPECT_TRUE(WildcardMatch("tool?.ldr", "TOOL7.LDR"));
    EXPECT_FALSE(WildcardMatch("tool?.ldr", "tool10.ldr"));
    EXPECT_TRUE(WildcardMatch("*disk*", "floppydisk.img"));
    EXPECT_TRUE(WildcardMatch("name.*", "name"));
    EXPECT_FALSE(WildcardMatch("a*b", "ac"));
}

TEST(FileLayer, SharesResolveIgnoringCase) {
    TempShare share;
    fs::create_directories(share / "Setup/English/Tools");
    WriteText(share / "Setup/English/Tools/Tool0.ldr", "x");
    ResolvedPath r = Resolve("\\\\testhost\\REMINST\\setup\\ENGLISH\\tools\\TOOL0.LDR");
    EXPECT_EQ(r.error, FileError::None);
    EXPECT_TRUE(r.exists);
    EXPECT_EQ(r.host, share / "Setup/English/Tools/Tool0.ldr");

    EXPECT_EQ(Resolve("\\\\OTHER\\RemInst\\x").error, FileError::BadPath);
    EXPECT_EQ(Resolve(TempShare::Unc("Setup\\Missing\\x")).error, FileError::BadPath);
    EXPECT_EQ(Resolve(TempShare::Unc("Setup\\bad|name")).error, FileError::BadPath);
    ResolvedPath fresh = Resolve(TempShare::Unc("Setup\\English\\new.sif"));
    EXPECT_EQ(fresh.error, FileError::None);
    EXPECT_FALSE(fresh.exists);

    // Paths spelt exactly as stored take a shorter way; it must agree with
    // the component walk on folders, files used as folders, and dot steps.
    ResolvedPath exact = Resolve(TempShare::Unc("Setup\\English\\Tools"));
    EXPECT_EQ(exact.host, share / "Setup/English/Tools");
    EXPECT_TRUE(exact.exists && exact.isDirectory);
    EXPECT_EQ(Resolve(TempShare::Unc("Setup\\English\\Tools\\Tool0.ldr\\x")).error, FileError::BadPath);
    EXPECT_EQ(Resolve(TempShare::Unc("Setup\\English\\Tools\\Tool0.ldr\\bad|x")).error, FileError::BadPath);
    ResolvedPath dotted = Resolve(TempShare::Unc("Setup\\English\\.\\Tools\\..\\Tools\\Tool0.ldr"));
    EXPECT_EQ(dotted.host, share / "Setup/English/Tools/Tool0.ldr");
    EXPECT_TRUE(dotted.exists && !dotted.isDirectory);

    EXPECT_EQ(ToWindowsPath(share / "Setup/English"), "\\\\TESTHOST\\REMINST\\Setup\\English");
    EXPECT_EQ(ToWindowsPath("/no/share/here"), "Z:\\no\\share\\here");
    // Every path it gives resolves back, the host root through Z:.
    EXPECT_EQ(Resolve(ToWindowsPath(share / "Setup/English")).host, share / "Setup/English");
    ClearMappings();
    EXPECT_EQ(Resolve(ToWindowsPath(share / "Setup/English")).host, share / "Setup/English");
    EXPECT_EQ(Resolve("Y:\\x").error, FileError::BadPath);
}

TEST(FileLayer, ListingsAreOrderedIgnoringCaseWithDotsFirst) {
    TempShare share;
    fs::create_directories(share / "Setup/b-lang");
    fs::create_directories(share / "Setup/A-lang");
    fs::create_directories(share / "Setup/.hidden");
    WriteText(share / "Setup/C.txt", "c");
    EXPECT_EQ(Names(TempShare::Unc("Setup\\*.*")),
              (std::vector<std::string>{".", "..", ".hidden", "A-lang", "b-lang", "C.txt"}));
    EXPECT_EQ(Names(TempShare::Unc("Setup\\*.TXT")), (std::vector<std::string>{"C.txt"}));
    EXPECT_TRUE(Names(TempShare::Unc("Nowhere\\*.*")).empty());
    // The share root itself lists no dot entries.
    EXPECT_EQ(Names(TempShare::Unc("*.*")), (std::vector<std::string>{"Setup"}));

    FileFind find;
    ASSERT_TRUE(find.FindFirst(TempShare::Unc("Setup\\*-lang")));
    EXPECT_EQ(find.Current().name, "A-lang");
    EXPECT_TRUE(find.Current().isDirectory);
    ASSERT_TRUE(find.FindNext());
    EXPECT_EQ(find.Current().name, "b-lang");
    EXPECT_FALSE(find.FindNext());
}

TEST(FileLayer, FolderAndFileOperations) {
    TempShare share;
    EXPECT_EQ(CreateDirectory(TempShare::Unc("Setup")), FileError::None);
    EXPECT_NE(CreateDirectory(TempShare::Unc("SETUP")), FileError::None);  // already there
    EXPECT_EQ(CreateDirectory(TempShare::Unc("x\\y")), FileError::BadPath);
    EXPECT_TRUE(IsDirectory(TempShare::Unc("setup")));

    WriteText(share / "a.img", "first");
    WriteText(share / "b.img", "second");
    EXPECT_NE(CopyFile(TempShare::Unc("a.img"), TempShare::Unc("B.IMG"), true), FileError::None);
    EXPECT_EQ(ReadText(share / "b.img"), "second");
    EXPECT_EQ(CopyFile(TempShare::Unc("a.img"), TempShare::Unc("Setup\\a.img"), true), FileError::None);
    EXPECT_EQ(ReadText(share / "Setup/a.img"), "first");
    EXPECT_EQ(CopyFile(TempShare::Unc("none.img"), TempShare::Unc("c.img"), true), FileError::FileNotFound);

    EXPECT_EQ(RemoveFile(TempShare::Unc("none.img")), FileError::FileNotFound);
    chmod((share / "b.img").c_str(), 0444);
    EXPECT_EQ(RemoveFile(TempShare::Unc("b.img")), FileError::AccessDenied);
    EXPECT_TRUE(Exists(TempShare::Unc("b.img")));
    ExclusiveFile holder;
    ASSERT_EQ(holder.Open(TempShare::Unc("a.img"), ExclusiveFile::Mode::OpenExisting), FileError::None);
    EXPECT_EQ(RemoveFile(TempShare::Unc("A.IMG")), FileError::SharingViolation);
    holder.Close();
    EXPECT_EQ(RemoveFile(TempShare::Unc("A.IMG")), FileError::None);
    EXPECT_FALSE(Exists(TempShare::Unc("a.img")));
}

TEST(FileLayer, ExclusiveOpens) {
    TempShare share;
    WriteText(share / "f.bin", "content");
    ExclusiveFile first;
    ASSERT_EQ(first.Open(TempShare::Unc("f.bin"), ExclusiveFile::Mode::OpenExisting), FileError::None);
    ExclusiveFile second;
    EXPECT_EQ(second.Open(TempShare::Unc("f.bin"), ExclusiveFile::Mode::OpenExisting), FileError::SharingViolation);
    // A create that cannot get the lock must not truncate the holder's file.
    EXPECT_EQ(second.Open(TempShare::Unc("f.bin"), ExclusiveFile::Mode::CreateTruncate), FileError::SharingViolation);
    EXPECT_EQ(ReadText(share / "f.bin"), "content");
    first.Close();

    EXPECT_EQ(second.Open(TempShare::Unc("missing.bin"), ExclusiveFile::Mode::OpenExisting), FileError::FileNotFound);
    EXPECT_EQ(second.Open(TempShare::Unc("dir\\x.bin"), ExclusiveFile::Mode::CreateTruncate), FileError::BadPath);
    fs::create_directory(share / "folder");
    EXPECT_EQ(second.Open(TempShare::Unc("folder"), ExclusiveFile::Mode::OpenExisting), FileError::AccessDenied);
    chmod((share / "f.bin").c_str(), 0444);
    EXPECT_EQ(second.Open(TempShare::Unc("f.bin"), ExclusiveFile::Mode::OpenExisting), FileError::AccessDenied);
    EXPECT_EQ(second.Open(TempShare::Unc("f.bin"), ExclusiveFile::Mode::CreateTruncate), FileError::AccessDenied);
}

TEST(FileLayer, AtomicWriteKeepsModeAndLeavesNoTemporaryFiles) {
    TempShare share;
    WriteText(share / "x.sif", "old");
    chmod((share / "x.sif").c_str(), 0640);
    EXPECT_EQ(WriteFileAtomically(TempShare::Unc("X.SIF"), "new", 3), FileError::None);
    EXPECT_EQ(ReadText(share / "x.sif"), "new");
    struct stat st {};
    stat((share / "x.sif").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for (auto& e : fs::directory_iterator(share.path())) entries += 1 + 0 * e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

// Names are Windows-1252 in the program and UTF-8 on the host: each crosses
// the layer translated, both ways, and a host name with no 1252 form is
// neither listed nor reachable.
TEST(FileLayer, HostNamesAreUtf8AndWindowsNames1252) {
    TempShare share;
    fs::create_directories(share / "Setup/Fran\xC3\xA7" "ais/Tools");   // "Français" in UTF-8
    fs::create_directories(share / "Setup/\xE6\x97\xA5\xE6\x9C\xAC");  // CJK, no 1252 form
    fs::create_directories(share / "Setup/raw\xE9");                    // not UTF-8 at all
    WriteText(share / "Setup/Fran\xC3\xA7" "ais/Tools/caf\xC3\xA9.img", "x");

    EXPECT_EQ(Names(TempShare::Unc("Setup\\*.*")), (std::vector<std::string>{".", "..", "Fran\xE7" "ais"}));
    EXPECT_EQ(Names(TempShare::Unc("Setup\\Fran\xE7" "ais\\Tools\\*.img")), (std::vector<std::string>{"caf\xE9.img"}));
    EXPECT_EQ(Names(TempShare::Unc("Setup\\FRAN\xC7" "AIS\\Tools\\CAF\xC9.IMG")),
              (std::vector<std::string>{"caf\xE9.img"}));  // accented letters match in either case

    ResolvedPath r = Resolve(TempShare::Unc("Setup\\FRAN\xC7" "AIS\\TOOLS\\CAF\xC9.IMG"));
    EXPECT_TRUE(r.exists);
    EXPECT_EQ(r.host, share / "Setup/Fran\xC3\xA7" "ais/Tools/caf\xC3\xA9.img");
    EXPECT_TRUE(ToWindowsPath(r.host).ends_with("\\Setup\\Fran\xE7" "ais\\Tools\\caf\xE9.img"));

    // Created names land in UTF-8.
    const std::string folder = TempShare::Unc("Setup\\Fran\xE7" "ais\\Tools\\");
    EXPECT_EQ(WriteFileAtomically(folder + "\xE9t\xE9.img", "y", 1), FileError::None);
    EXPECT_EQ(ReadText(share / "Setup/Fran\xC3\xA7" "ais/Tools/\xC3\xA9t\xC3\xA9.img"), "y");
    std::string made;
    EXPECT_EQ(CreateNewFile(folder, [](unsigned n) { return "n\xE9" + std::to_string(n) + ".sif"; }, "z", 1, made),
              FileError::None);
    EXPECT_EQ(made, "n\xE9" "0.sif");
    EXPECT_EQ(ReadText(share / "Setup/Fran\xC3\xA7" "ais/Tools/n\xC3\xA9" "0.sif"), "z");
    EXPECT_EQ(CreateDirectory(TempShare::Unc("Setup\\Espa\xF1ol")), FileError::None);
    EXPECT_TRUE(fs::is_directory(share / "Setup/Espa\xC3\xB1ol"));
}

// A change holds its folders before its first write: its later steps and
// its undo land in the folder it held even after the path is swapped for a
// link to the outside (which the path itself refuses), and a share whose
// folder is a link stays in the tree it first led to.
TEST(HeldFolders, LaterStepsStayInTheFolderFirstReached) {
    TempShare share;
    TempDir outside;
    fs::create_directories(share / "Setup/i386/templates");
    HeldFolder entry, templates;
    ASSERT_EQ(HoldFolder(TempShare::Unc("Setup\\i386"), entry), FileError::None);
    ASSERT_EQ(HoldSubfolder(entry, "TEMPLATES", templates), FileError::None);
    fs::rename(share / "Setup/i386", share / "Setup/moved");
    fs::create_directory_symlink(outside.path(), share / "Setup/i386");

    std::string name;
    ASSERT_EQ(CreateNewFileIn(entry, [](unsigned n) { return "tool" + std::to_string(n) + ".ldr"; }, "L", 1, name),
              FileError::None);
    EXPECT_EQ(entry.path + name, TempShare::Unc("Setup\\i386\\tool0.ldr"));
    EXPECT_EQ(WriteFileAtomically(entry.path + name, "X", 1), FileError::OutsideShare);
    HeldFile loader, sif;
    ASSERT_EQ(HoldFileIn(entry, name, loader), FileError::None);
    EXPECT_EQ(WriteFileAtomicallyIn(loader, "LL", 2), FileError::None);
    EXPECT_EQ(ReadWholeFileIn(loader, 10).bytes, std::vector<uint8_t>({'L', 'L'}));
    ASSERT_EQ(HoldFileIn(templates, "tool0.sif", sif), FileError::None);
    EXPECT_EQ(CreateFileIn(sif, "S", 1), FileError::None);
    EXPECT_EQ(CreateFileIn(sif, "T", 1), FileError::FileExists);
    EXPECT_EQ(RemoveFileIn(loader), FileError::None);
    EXPECT_EQ(ReadText(share / "Setup/moved/templates/tool0.sif"), "S");
    EXPECT_FALSE(fs::exists(share / "Setup/moved/tool0.ldr"));
    EXPECT_TRUE(fs::is_empty(outside.path()));

    TempDir first, second;
    fs::create_directory_symlink(first.path(), share / "linked");
    MapShare("TESTHOST", "Linked", share / "linked");
    EXPECT_EQ(WriteFileAtomically("\\\\TESTHOST\\Linked\\a", "A", 1), FileError::None);
    fs::remove(share / "linked");
    fs::create_directory_symlink(second.path(), share / "linked");
    EXPECT_EQ(WriteFileAtomically("\\\\TESTHOST\\Linked\\b", "B", 1), FileError::None);
    EXPECT_TRUE(fs::exists(first / "b"));
    EXPECT_TRUE(fs::is_empty(second.path()));
}
