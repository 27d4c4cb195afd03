// The viewer and editor driven as a user would, with scripted answers to its
// questions; after every change the file on disk is checked with fsck.fat
// and read back with mtools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>
#include <deque>
#include <filesystem>

#include "imagelib/image_help_event.h"
#include "imagelib/image_library.h"
#include "imagelib/image_viewer.h"
#include "tests/imagelib/dos_tools.h"
#include "tests/support/efi_program_maker.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using imagelib::ImageViewer;

struct Script {
    std::deque<QStringList> files;
    std::deque<QString> folders;
    std::deque<std::pair<bool, QString>> texts;  // (ok, text)
    std::deque<bool> confirms;
    std::deque<std::pair<QString, bool>> diskettes;  // (path, writable); empty path = cancel
    QStringList errors, infos, confirmTexts;
};

class ScriptedPrompts : public imagelib::ViewerPrompts {
public:
    explicit ScriptedPrompts(Script& s) : m_s(s) {}
    QStringList FilesToAdd(QWidget*) override { return Pop(m_s.files, QStringList()); }
    QString ExtractFolder(QWidget*) override { return Pop(m_s.folders, QString()); }
    bool AskText(QWidget*, const QString&, const QString&, QString& text) override {
        auto answer = Pop(m_s.texts, std::make_pair(false, QString()));
        if (answer.first) text = answer.second;
        return answer.first;
    }
    bool Confirm(QWidget*, const QString& text) override {
        m_s.confirmTexts << text;
        return Pop(m_s.confirms, false);
    }
    void Error(QWidget*, const QString& text) override { m_s.errors << text; }
    void Info(QWidget*, const QString& text) override { m_s.infos << text; }
    bool DisketteToWrap(QWidget*, QString& diskette, bool& writable) override {
        auto answer = Pop(m_s.diskettes, std::make_pair(QString(), false));
        diskette = answer.first;
        writable = answer.second;
        return !diskette.isEmpty();
    }

private:
    template <typename T>
    static T Pop(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
    Script& m_s;
};

struct ViewerFixture : testing::Test {
    menvolt_test::TempDir dir;
    Script script;
    std::string path;
    std::unique_ptr<ImageViewer> viewer;

    void OpenNew(uint32_t mb, QWidget* owner = nullptr) {
        path = (dir / "view.img").string();
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(imagelib::BuildImage(mb, 0x100, bytes));
        menvolt_test::WriteBytes(path, bytes);
        viewer = std::make_unique<ImageViewer>(owner, true, std::make_unique<ScriptedPrompts>(script));
        std::string error;
        ASSERT_TRUE(viewer->Open(path, error)) << error;
    }
    size_t Offset() const { return viewer->Document().Info().volumeOffset; }
    void ExpectClean() {
        std::string report;
        EXPECT_TRUE(menvolt_test::FsckCleanFile(path, Offset(), &report)) << report;
    }
    std::string MtoolsList(const std::string& folder) {
        return menvolt_test::Run("mdir -b " + menvolt_test::MtoolsImage(path, Offset()) + " " + menvolt_test::Quote("::" + folder))
            .output;
    }
};

TEST_F(ViewerFixture, ShowsLabelCapacityFreeSpaceAndTheFolderTree) {
    OpenNew(0);
    EXPECT_NE(viewer->InfoText().indexOf("Volume label: (none)"), -1) << viewer->InfoText().toStdString();
    EXPECT_NE(viewer->InfoText().indexOf("1.44 MB diskette"), -1);
    EXPECT_NE(viewer->InfoText().indexOf("Free space: 1,457,664 bytes"), -1) << viewer->InfoText().toStdString();
    EXPECT_TRUE(viewer->ListedNames().isEmpty());

    OpenNew(8);
    EXPECT_NE(viewer->InfoText().indexOf("extended, 8 MB"), -1) << viewer->InfoText().toStdString();
    script.texts = {{true, "dos"}, {true, "sub"}};
    ASSERT_TRUE(viewer->NewFolder());
    ASSERT_TRUE(viewer->SelectFolder("DOS"));
    ASSERT_TRUE(viewer->NewFolder());
    EXPECT_EQ(viewer->ListedNames(), QStringList({"SUB"}));
    // The tree shows root > DOS > SUB.
    QTreeWidgetItem* root = viewer->FolderTree()->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "DOS");
    ASSERT_EQ(root->child(0)->childCount(), 1);
    EXPECT_EQ(root->child(0)->child(0)->text(0), "SUB");
    ExpectClean();
    EXPECT_NE(MtoolsList("DOS").find("SUB"), std::string::npos);
}

TEST_F(ViewerFixture, EveryEditReachesTheFileAndReadsBackThroughMtools) {
    OpenNew(0);
    menvolt_test::WriteText(dir / "autoexec.bat", "@echo off\r\n");
    menvolt_test::WriteText(dir / "Read Me First.text", "hello");
    ASSERT_TRUE(viewer->AddFiles(QStringList{QString::fromStdString((dir / "autoexec.bat").string()),
                                             QString::fromStdString((dir / "Read Me First.text").string())}));
    EXPECT_EQ(viewer->ListedNames(), QStringList({"AUTOEXEC.BAT", "README~1.TEX"}));
    ASSERT_EQ(script.infos.size(), 1);  // the mapped name is reported
    EXPECT_NE(script.infos[0].indexOf("Read Me First.text was stored as README~1.TEX"), -1);
    ExpectClean();
    std::vector<uint8_t> got;
    ASSERT_TRUE(menvolt_test::MtoolsRead(path, 0, "AUTOEXEC.BAT", got));
    EXPECT_EQ(std::string(got.begin(), got.end()), "@echo off\r\n");

    // Adding a file of a name already there asks; No keeps the old one.
    menvolt_test::WriteText(dir / "autoexec.bat", "changed");
    script.confirms = {false};
    EXPECT_FALSE(viewer->AddFiles(QStringList{QString::fromStdString((dir / "autoexec.bat").string())}));
    ASSERT_TRUE(menvolt_test::MtoolsRead(path, 0, "AUTOEXEC.BAT", got));
    EXPECT_EQ(std::string(got.begin(), got.end()), "@echo off\r\n");

    viewer->SelectEntries({"README~1.TEX"});
    script.texts = {{true, "notes.txt"}};
    ASSERT_TRUE(viewer->RenameSelected());
    EXPECT_EQ(viewer->ListedNames(), QStringList({"AUTOEXEC.BAT", "NOTES.TXT"}));
    ASSERT_TRUE(menvolt_test::MtoolsRead(path, 0, "NOTES.TXT", got));
    EXPECT_EQ(std::string(got.begin(), got.end()), "hello");

    script.texts = {{true, "Tools"}};
    ASSERT_TRUE(viewer->EditLabel());
    EXPECT_NE(viewer->InfoText().indexOf("Volume label: TOOLS"), -1);
    EXPECT_NE(menvolt_test::Run("mlabel -s " + menvolt_test::MtoolsImage(path, 0) + " ::").output.find("TOOLS"),
              std::string::npos);

    // Delete asks first; No changes nothing, Yes removes.
    viewer->SelectEntries({"NOTES.TXT"});
    script.confirms = {false, true};
    EXPECT_FALSE(viewer->DeleteSelected());
    EXPECT_EQ(viewer->ListedNames().size(), 2);
    viewer->SelectEntries({"NOTES.TXT"});
    ASSERT_TRUE(viewer->DeleteSelected());
    EXPECT_EQ(viewer->ListedNames(), QStringList({"AUTOEXEC.BAT"}));
    EXPECT_EQ(MtoolsList("").find("NOTES"), std::string::npos);
    ExpectClean();
}

TEST_F(ViewerFixture, BadNamesAreRefusedWithTheReason) {
    OpenNew(0);
    const auto before = menvolt_test::ReadBytes(path);
    script.texts = {{true, "much too long.name"}, {true, "a*b"}, {false, ""}};
    EXPECT_FALSE(viewer->NewFolder());
    ASSERT_EQ(script.errors.size(), 2);
    EXPECT_NE(script.errors[0].indexOf("at most 8 characters before the dot"), -1) << script.errors[0].toStdString();
    EXPECT_EQ(menvolt_test::ReadBytes(path), before);

    script.texts = {{true, "dup"}, {true, "dup"}};
    ASSERT_TRUE(viewer->NewFolder());
    EXPECT_FALSE(viewer->NewFolder());
    EXPECT_NE(script.errors.back().indexOf("already exists"), -1);
    ExpectClean();
}

TEST_F(ViewerFixture, ExtractWritesTheFilesAndAsksBeforeReplacing) {
    OpenNew(2);
    menvolt_test::WriteText(dir / "kernel.sys", std::string(5000, 'k'));
    ASSERT_TRUE(viewer->AddFiles(QStringList{QString::fromStdString((dir / "kernel.sys").string())}));
    fs::create_directory(dir / "out");
    viewer->SelectEntries({"KERNEL.SYS"});
    script.folders = {QString::fromStdString((dir / "out").string()), QString::fromStdString((dir / "out").string())};
    ASSERT_TRUE(viewer->ExtractSelected());
    EXPECT_EQ(menvolt_test::ReadText(dir / "out" / "KERNEL.SYS"), std::string(5000, 'k'));
    menvolt_test::WriteText(dir / "out" / "KERNEL.SYS", "mine");
    script.confirms = {false};
    viewer->ExtractSelected();
    EXPECT_EQ(menvolt_test::ReadText(dir / "out" / "KERNEL.SYS"), "mine");
    EXPECT_EQ(script.confirmTexts.size(), 1);
}

TEST_F(ViewerFixture, AChangeThatCannotBeWrittenIsReportedAndNotShown) {
    OpenNew(0);
    // The image's folder goes away while the viewer is open.
    fs::path gone = dir / "gone";
    fs::create_directory(gone);
    const std::string moved = (gone / "view.img").string();
    fs::rename(path, moved);
    viewer = std::make_unique<ImageViewer>(nullptr, false, std::make_unique<ScriptedPrompts>(script));
    std::string error;
    ASSERT_TRUE(viewer->Open(moved, error)) << error;
    fs::remove_all(gone);
    script.texts = {{true, "NEW"}};
    EXPECT_FALSE(viewer->NewFolder());
    ASSERT_EQ(script.errors.size(), 1);
    EXPECT_TRUE(viewer->ListedNames().isEmpty());
    EXPECT_FALSE(fs::exists(gone));
}

TEST_F(ViewerFixture, AFolderLoopInADamagedImageDoesNotHangTheTree) {
    OpenNew(0);
    script.texts = {{true, "LOOP"}};
    ASSERT_TRUE(viewer->NewFolder());
    // Point LOOP's ".." at LOOP itself and give it an entry naming its own cluster.
    auto bytes = menvolt_test::ReadBytes(path);
    const size_t root = 19 * 512;
    ASSERT_EQ(std::string(bytes.begin() + root, bytes.begin() + root + 4), "LOOP");
    const uint16_t cluster = static_cast<uint16_t>(bytes[root + 26] | (bytes[root + 27] << 8));
    const size_t body = (33 + cluster - 2) * 512;
    std::copy(bytes.begin() + root, bytes.begin() + root + 32, bytes.begin() + body + 64);  // LOOP inside LOOP
    menvolt_test::WriteBytes(path, bytes);
    viewer = std::make_unique<ImageViewer>(nullptr, false, std::make_unique<ScriptedPrompts>(script));
    std::string error;
    ASSERT_TRUE(viewer->Open(path, error)) << error;
    int depth = 0;
    for (QTreeWidgetItem* item = viewer->FolderTree()->topLevelItem(0); item && item->childCount();
         item = item->child(0))
        ++depth;
    EXPECT_GT(depth, 1);
    EXPECT_LE(depth, 34);
}

class HelpOwner : public QWidget {
public:
    bool event(QEvent* e) override {
        if (e->type() == ImageHelpEvent::kType) {
            contexts.push_back(static_cast<ImageHelpEvent*>(e)->context());
            return true;
        }
        return QWidget::event(e);
    }
    std::vector<unsigned> contexts;
};

TEST_F(ViewerFixture, HelpIsAskedOfTheOwner) {
    HelpOwner owner;
    OpenNew(0, &owner);
    std::vector<unsigned> signalled;
    QObject::connect(viewer.get(), &ImageViewer::helpRequested, [&](unsigned c) { signalled.push_back(c); });
    EXPECT_TRUE(viewer->RequestHelp());
    EXPECT_EQ(owner.contexts, std::vector<unsigned>{KTIMG_HELP_VIEWER});
    EXPECT_EQ(signalled, std::vector<unsigned>{KTIMG_HELP_VIEWER});
    // The Help button is there because help was offered, and it reaches the owner.
    QPushButton* help = nullptr;
    for (auto* b : viewer->findChildren<QPushButton*>())
        if (b->text() == "&Help" || b->text() == "Help") help = b;
    ASSERT_NE(help, nullptr);
    help->click();
    EXPECT_EQ(owner.contexts.size(), 2u);

    viewer.reset();  // a child of the owner: it goes first

    ImageViewer lonely(nullptr, false, std::make_unique<ScriptedPrompts>(script));
    EXPECT_FALSE(lonely.RequestHelp());
}

// Closes whatever modal window opens next, within a deadline.
void CloseNextModal(bool* seen) {
    auto* timer = new QTimer;
    auto deadline = std::make_shared<int>(200);
    QObject::connect(timer, &QTimer::timeout, [timer, seen, deadline] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            *seen = true;
            modal->close();
            timer->deleteLater();
        } else if (--*deadline == 0) {
            timer->deleteLater();
        }
    });
    timer->start(10);
}

TEST(ViewImageExport, RunsModallyAndReturnsWhenClosed) {
    menvolt_test::TempDir dir;
    const std::string path = (dir / "disk.img").string();
    ImageCreateRequest create{};
    create.size = sizeof create;
    create.path = path.c_str();
    create.fixed = KTIMG_CREATE_FIXED;
    create.options = KTIMG_OPTION_STANDARD;
    ASSERT_EQ(KTCreateImage(&create), 0);

    ImageViewRequest view{};
    view.size = sizeof view;
    view.path = path.c_str();
    view.fixed = KTIMG_VIEW_FIXED;
    bool seen = false;
    CloseNextModal(&seen);
    EXPECT_EQ(KTViewImage(&view), 0);
    EXPECT_TRUE(seen);

    // Not an image: the call says so at once and shows nothing (the caller
    // tells the user).
    menvolt_test::WriteText(dir / "text.img", std::string(2048, 't'));
    const std::string text = (dir / "text.img").string();
    view.path = text.c_str();
    EXPECT_EQ(KTViewImage(&view), KTIMG_ERR_OPEN);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ViewerFixture, FromADisketteImageTheImageBecomesItsWrappedFormAndShowsItsFiles) {
    OpenNew(2);
    // Keep-network options of the image stay; the diskette's files show.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(imagelib::BuildImage(2, 0x100 | KTIMG_OPTION_KEEP_UNDI, bytes));
    menvolt_test::WriteBytes(path, bytes);
    std::string error;
    ASSERT_TRUE(viewer->Open(path, error)) << error;
    const std::string diskette = (dir / "tools.img").string();
    ASSERT_EQ(menvolt_test::Run("mkfs.fat -C " + menvolt_test::Quote(diskette) + " 1440").exitCode, 0);
    menvolt_test::WriteText(dir / "readme.txt", "diskette file");
    ASSERT_EQ(menvolt_test::Run("mcopy -i " + menvolt_test::Quote(diskette) + " " +
                             menvolt_test::Quote((dir / "readme.txt").string()) + " ::README.TXT")
                  .exitCode,
              0);

    script.diskettes = {{QString(), false}, {QString::fromStdString(diskette), true}};
    EXPECT_FALSE(viewer->FromDiskette());  // cancelled: nothing changes
    EXPECT_EQ(menvolt_test::ReadBytes(path), bytes);
    ASSERT_TRUE(viewer->FromDiskette());
    EXPECT_EQ(viewer->ListedNames(), QStringList({"README.TXT"}));
    EXPECT_NE(viewer->InfoText().indexOf("extended, 1440 KB"), -1) << viewer->InfoText().toStdString();
    const imagelib::ImageInfo& info = viewer->Document().Info();
    EXPECT_EQ(info.options, 0x100u | KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_WRITABLE);
    const auto now = menvolt_test::ReadBytes(path);
    EXPECT_EQ(std::vector<uint8_t>(now.begin() + static_cast<long>(info.volumeOffset), now.end()),
              menvolt_test::ReadBytes(diskette));

    // Not a diskette: reported, the image stays as it is.
    menvolt_test::WriteBytes(dir / "small.img", std::vector<uint8_t>(4096, 0));
    script.diskettes = {{QString::fromStdString((dir / "small.img").string()), false}};
    EXPECT_FALSE(viewer->FromDiskette());
    ASSERT_EQ(script.errors.size(), 1);
    EXPECT_NE(script.errors[0].indexOf("not a diskette image"), -1) << script.errors[0].toStdString();
    EXPECT_EQ(menvolt_test::ReadBytes(path), now);
}

std::vector<uint8_t> EfiProgram() { return menvolt_test::MinimalEfiProgram(); }

TEST_F(ViewerFixture, AUefiBootProgramGoesWhereTheFirmwareLooksAndShowsLikeAnyFolder) {
    OpenNew(0);
    const fs::path efi = dir / "grubx64.efi";
    menvolt_test::WriteBytes(efi, EfiProgram());
    menvolt_test::WriteText(dir / "notes.txt", "not a program");
    EXPECT_FALSE(viewer->AddEfiBootProgram(QString::fromStdString((dir / "notes.txt").string())));
    ASSERT_EQ(script.errors.size(), 1);
    EXPECT_NE(script.errors[0].indexOf("is not an EFI program"), -1) << script.errors[0].toStdString();
    menvolt_test::WriteBytes(dir / "console.efi", menvolt_test::MinimalEfiProgram(3));
    EXPECT_FALSE(viewer->AddEfiBootProgram(QString::fromStdString((dir / "console.efi").string())));
    ASSERT_EQ(script.errors.size(), 2);
    EXPECT_NE(script.errors[1].indexOf("subsystem is 3, not an EFI application"), -1) << script.errors[1].toStdString();
    ASSERT_TRUE(viewer->AddEfiBootProgram(QString::fromStdString(efi.string())));
    EXPECT_EQ(viewer->CurrentFolder(), "EFI\\BOOT");
    EXPECT_EQ(viewer->ListedNames(), QStringList({"BOOTX64.EFI"}));
    QTreeWidgetItem* root = viewer->FolderTree()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "EFI");
    EXPECT_EQ(root->child(0)->child(0)->text(0), "BOOT");
    ExpectClean();
    std::vector<uint8_t> got;
    ASSERT_TRUE(menvolt_test::MtoolsRead(path, 0, "EFI/BOOT/BOOTX64.EFI", got));
    EXPECT_EQ(got, EfiProgram());
    // Another program asks before it replaces the first: No keeps it. A
    // file that is no program is refused before any such question.
    script.confirms = {false};
    EXPECT_FALSE(viewer->AddEfiBootProgram(QString::fromStdString(efi.string())));
    EXPECT_EQ(script.confirmTexts.size(), 1);
    EXPECT_FALSE(viewer->AddEfiBootProgram(QString::fromStdString((dir / "notes.txt").string())));
    EXPECT_EQ(script.confirmTexts.size(), 1);
    ASSERT_EQ(script.errors.size(), 3);
    EXPECT_TRUE(script.errors[2].endsWith(".")) << script.errors[2].toStdString();
}

}  // namespace
