#include "imagelib/image_viewer.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "imagelib/diskette_wrap.h"
#include "imagelib/efi_boot_program.h"
#include "imagelib/image_help_event.h"
#include "imagelib/image_library.h"

namespace imagelib {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

QString Local(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
std::string Bytes(const QString& s) { return s.toLocal8Bit().toStdString(); }

QString JoinPath(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + "\\" + name;
}

QString DosDateTime(uint16_t date, uint16_t time) {
    if (date == 0) return {};
    return QString("%1-%2-%3 %4:%5")
        .arg(1980 + (date >> 9))
        .arg((date >> 5) & 15, 2, 10, QChar('0'))
        .arg(date & 31, 2, 10, QChar('0'))
        .arg(time >> 11, 2, 10, QChar('0'))
        .arg((time >> 5) & 63, 2, 10, QChar('0'));
}

class DialogPrompts : public ViewerPrompts {
public:
    QStringList FilesToAdd(QWidget* parent) override {
        return QFileDialog::getOpenFileNames(parent, "Add Files to the Image");
    }
    QString ExtractFolder(QWidget* parent) override {
        return QFileDialog::getExistingDirectory(parent, "Extract to Folder");
    }
    bool AskText(QWidget* parent, const QString& title, const QString& label, QString& text) override {
        bool ok = false;
        QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
        if (ok) text = answer;
        return ok;
    }
    bool Confirm(QWidget* parent, const QString& text) override {
        return QMessageBox::question(parent, "Boot Image", text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
    void Error(QWidget* parent, const QString& text) override {
        QMessageBox::critical(parent, "Boot Image", text);
    }
    void Info(QWidget* parent, const QString& text) override {
        QMessageBox::information(parent, "Boot Image", text);
    }
    bool DisketteToWrap(QWidget* parent, QString& diskette, bool& writable) override {
        diskette = QFileDialog::getOpenFileName(parent, "From Diskette Image", QString(),
                                                "Diskette images (*.img *.ima *.flp);;All files (*)");
        if (diskette.isEmpty()) return false;
        QMessageBox box(QMessageBox::Question, "From Diskette Image",
                        QString("Replace everything in this image with the diskette %1?\n\n"
                                "The diskette becomes the image's RAM disk as it is, moved to the top "
                                "of memory where programs that use extended memory leave it alone.")
                            .arg(QFileInfo(diskette).fileName()),
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        auto* check = new QCheckBox("Let programs &write to the RAM disk (in memory only)", &box);
        box.setCheckBox(check);
        if (box.exec() != QMessageBox::Yes) return false;
        writable = check->isChecked();
        return true;
    }
    QString EfiProgramToAdd(QWidget* parent) override {
        return QFileDialog::getOpenFileName(parent, "Add UEFI Boot Program", QString(),
                                            "EFI programs (*.efi);;All files (*)");
    }
};

}  // namespace

std::unique_ptr<ViewerPrompts> MakeDialogPrompts() { return std::make_unique<DialogPrompts>(); }

ImageViewer::ImageViewer(QWidget* owner, bool helpAvailable, std::unique_ptr<ViewerPrompts> prompts)
    : QDialog(owner), m_owner(owner), m_prompts(prompts ? std::move(prompts) : MakeDialogPrompts()) {
    setModal(true);
    resize(640, 420);

    m_info = new QLabel(this);
    m_info->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_tree = new QTreeWidget(this);
    m_tree->setHeaderLabel("Folders");
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({"Name", "Size", "Modified"});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    auto* split = new QSplitter(this);
    split->addWidget(m_tree);
    split->addWidget(m_list);
    split->setStretchFactor(1, 2);

    m_add = new QPushButton("&Add Files...", this);
    m_extract = new QPushButton("E&xtract...", this);
    m_delete = new QPushButton("&Delete", this);
    m_rename = new QPushButton("&Rename...", this);
    m_newFolder = new QPushButton("&New Folder...", this);
    m_label = new QPushButton("&Label...", this);
    m_fromDiskette = new QPushButton("From Dis&kette Image...", this);
    m_addEfi = new QPushButton("Add &UEFI Boot Program...", this);
    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {m_add, m_extract, m_delete, m_rename, m_newFolder, m_label, m_fromDiskette, m_addEfi}) {
        b->setAutoDefault(false);
        commands->addWidget(b);
    }
    commands->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    if (helpAvailable) {
        QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
        connect(help, &QPushButton::clicked, this, [this] { RequestHelp(); });
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addWidget(split, 1);
    layout->addLayout(commands);
    layout->addWidget(buttons);

    connect(m_add, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(m_extract, &QPushButton::clicked, this, [this] { ExtractSelected(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(m_rename, &QPushButton::clicked, this, [this] { RenameSelected(); });
    connect(m_newFolder, &QPushButton::clicked, this, [this] { NewFolder(); });
    connect(m_label, &QPushButton::clicked, this, [this] { EditLabel(); });
    connect(m_fromDiskette, &QPushButton::clicked, this, [this] { FromDiskette(); });
    connect(m_addEfi, &QPushButton::clicked, this, [this] { AddEfiBootProgram(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        m_folder = item->data(0, kPathRole).toString();
        FillList();
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->data(0, kFolderRole).toBool()) SelectFolder(JoinPath(m_folder, item->text(0)));
    });
}

ImageViewer::~ImageViewer() = default;

bool ImageViewer::Open(const std::string& hostPath, std::string& error) {
    if (!m_doc.Open(hostPath, error)) return false;
    setWindowTitle(QString("Boot Image - %1").arg(QFileInfo(Local(hostPath)).fileName()));
    m_folder.clear();
    Refresh();
    return true;
}

QString ImageViewer::InfoText() const { return m_info->text(); }

void ImageViewer::Refresh() {
    const FatVolume& v = m_doc.Volume();
    const ImageInfo& info = m_doc.Info();
    QLocale c(QLocale::English);
    const QString label = Local(v.Label());
    const QString capacity = info.extended
                                 ? (info.kilobytes % 1024 ? QString("extended, %1 KB").arg(info.kilobytes)
                                                          : QString("extended, %1 MB").arg(info.kilobytes / 1024))
                                 : (m_doc.Info().kilobytes == 1440 ? QString("1.44 MB diskette")
                                                                   : QString("%1 KB").arg(info.kilobytes));
    m_info->setText(QString("Volume label: %1\nCapacity: %2 (%3 bytes for files)\nFree space: %4 bytes")
                        .arg(label.isEmpty() ? QString("(none)") : label, capacity,
                             c.toString(static_cast<qulonglong>(v.TotalBytes())),
                             c.toString(static_cast<qulonglong>(v.FreeBytes()))));

    const QString keep = m_folder;
    m_tree->blockSignals(true);
    m_tree->clear();
    auto* root = new QTreeWidgetItem(m_tree, {"\\"});
    root->setData(0, kPathRole, QString());
    FillTree(root, QString(), 0);
    m_tree->expandAll();
    m_tree->blockSignals(false);
    if (!SelectFolder(keep)) SelectFolder(QString());
}

void ImageViewer::FillTree(QTreeWidgetItem* parent, const QString& path, int depth) {
    // A damaged volume can make a folder its own descendant.
    if (depth > 32) return;
    std::vector<FatEntryInfo> entries;
    if (m_doc.Volume().List(Bytes(path), entries) != FatError::None) return;
    for (const auto& e : entries) {
        if (!e.isDirectory) continue;
        const QString name = Local(e.name);
        auto* item = new QTreeWidgetItem(parent, {name});
        item->setData(0, kPathRole, JoinPath(path, name));
        FillTree(item, JoinPath(path, name), depth + 1);
    }
}

bool ImageViewer::SelectFolder(const QString& folder) {
    QTreeWidgetItemIterator it(m_tree);
    for (; *it; ++it) {
        if ((*it)->data(0, kPathRole).toString().compare(folder, Qt::CaseInsensitive) == 0) {
            m_folder = (*it)->data(0, kPathRole).toString();
            m_tree->blockSignals(true);
            m_tree->setCurrentItem(*it);
            m_tree->blockSignals(false);
            FillList();
            return true;
        }
    }
    return false;
}

void ImageViewer::FillList() {
    m_list->clear();
    std::vector<FatEntryInfo> entries;
    m_doc.Volume().List(Bytes(m_folder), entries);
    // Folders first, then files, each by name.
    std::stable_sort(entries.begin(), entries.end(), [](const FatEntryInfo& a, const FatEntryInfo& b) {
        if (a.isDirectory != b.isDirectory) return a.isDirectory;
        return a.name < b.name;
    });
    QLocale c(QLocale::English);
    for (const auto& e : entries) {
        auto* item = new QTreeWidgetItem(m_list, {Local(e.name),
                                                  e.isDirectory ? QString("Folder")
                                                                : c.toString(static_cast<qulonglong>(e.size)),
                                                  DosDateTime(e.date, e.time)});
        item->setData(0, kFolderRole, e.isDirectory);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    UpdateButtons();
}

void ImageViewer::UpdateButtons() {
    const int selected = static_cast<int>(m_list->selectedItems().size());
    m_delete->setEnabled(selected > 0);
    m_rename->setEnabled(selected == 1);
    bool anyFile = false;
    for (auto* item : m_list->selectedItems()) anyFile |= !item->data(0, kFolderRole).toBool();
    m_extract->setEnabled(anyFile);
}

bool ImageViewer::FromDiskette() {
    QString diskette;
    bool writable = false;
    if (!m_prompts->DisketteToWrap(this, diskette, writable)) return false;
    uint32_t options = KTIMG_OPTION_STANDARD | (writable ? KTIMG_OPTION_WRITABLE : 0);
    if (m_doc.Info().extended) options |= m_doc.Info().options & (KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_KEEP_BASE);
    std::string error;
    if (!WrapDisketteFile(diskette.toStdString(), m_doc.Path(), options, true, error)) {
        m_prompts->Error(this, QString("The image was not changed: %1").arg(Local(error)));
        return false;
    }
    const std::string path = m_doc.Path();
    if (!Open(path, error)) {
        // The new image is written but its volume is no FAT volume we read
        // (a diskette of another file system): say so and close.
        m_prompts->Info(this, QString("The image now holds the diskette, whose files cannot be shown here: %1")
                                  .arg(Local(error)));
        reject();
    }
    return true;
}

bool ImageViewer::AddEfiBootProgram() {
    const QString program = m_prompts->EfiProgramToAdd(this);
    return !program.isEmpty() && AddEfiBootProgram(program);
}

bool ImageViewer::AddEfiBootProgram(const QString& hostFile) {
    // A file that is no program for a UEFI PC is refused before anything is
    // asked: a "replace?" question about it would be answered for nothing.
    std::vector<uint8_t> program;
    std::string error;
    if (!ReadEfiProgram(Bytes(hostFile), program, error)) {
        m_prompts->Error(this, Local(error + "."));
        return false;
    }
    const char* target = EfiBootProgramPath(program);
    FatEntryInfo info;
    if (m_doc.Volume().Stat(target, info) == FatError::None && !info.isDirectory &&
        !m_prompts->Confirm(this, QString("The image already has a UEFI boot program (\\%1). Replace it with %2?")
                                      .arg(target, QFileInfo(hostFile).fileName())))
        return false;
    if (!Report(m_doc.AddEfiBootProgram(program))) return false;
    SelectFolder(kEfiBootFolder);
    SelectEntries({QString(target).section('\\', -1)});
    return true;
}

QStringList ImageViewer::ListedNames() const {
    QStringList names;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) names << m_list->topLevelItem(i)->text(0);
    return names;
}

void ImageViewer::SelectEntries(const QStringList& names) {
    m_list->clearSelection();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (names.contains(item->text(0), Qt::CaseInsensitive)) item->setSelected(true);
    }
    UpdateButtons();
}

QStringList ImageViewer::SelectedNames() const {
    QStringList names;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (m_list->topLevelItem(i)->isSelected()) names << m_list->topLevelItem(i)->text(0);
    return names;
}

QString ImageViewer::PathOf(const QString& name) const { return JoinPath(m_folder, name); }

bool ImageViewer::Report(const ChangeResult& result) {
    if (!result.ok()) m_prompts->Error(this, Local(result.message));
    Refresh();
    return result.ok();
}

bool ImageViewer::AddFiles() {
    const QStringList files = m_prompts->FilesToAdd(this);
    if (files.isEmpty()) return false;
    return AddFiles(files);
}

bool ImageViewer::AddFiles(const QStringList& requested) {
    // A file that would replace one in the image asks first.
    QStringList hostFiles;
    for (const QString& f : requested) {
        const QString host = QFileInfo(f).fileName();
        ShortName parsed;
        FatEntryInfo info;
        if (ParseShortName(Bytes(host), parsed) &&
            m_doc.Volume().Stat(Bytes(PathOf(Local(FormatShortName(parsed)))), info) == FatError::None) {
            if (info.isDirectory) {
                m_prompts->Error(this, QString("A folder named %1 is already there.").arg(host));
                continue;
            }
            if (!m_prompts->Confirm(this, QString("%1 is already in the image. Replace it?").arg(host))) continue;
        }
        hostFiles << f;
    }
    if (hostFiles.isEmpty()) return false;
    std::vector<std::string> paths;
    for (const QString& f : hostFiles) paths.push_back(Bytes(f));
    std::vector<std::string> stored;
    const ChangeResult result = m_doc.AddHostFiles(Bytes(m_folder), paths, &stored);
    if (!Report(result)) return false;
    // Names the image cannot hold as they are were given short names: say which.
    QStringList renamed;
    for (size_t i = 0; i < stored.size() && i < static_cast<size_t>(hostFiles.size()); ++i) {
        const QString host = QFileInfo(hostFiles[static_cast<int>(i)]).fileName();
        if (host.compare(Local(stored[i]), Qt::CaseInsensitive) != 0)
            renamed << QString("%1 was stored as %2").arg(host, Local(stored[i]));
    }
    if (!renamed.isEmpty())
        m_prompts->Info(this, "The image holds only short (8.3) file names.\n" + renamed.join("\n"));
    SelectEntries([&] {
        QStringList names;
        for (const auto& s : stored) names << Local(s);
        return names;
    }());
    return true;
}

bool ImageViewer::ExtractSelected() {
    QStringList files;
    for (const QString& name : SelectedNames()) {
        FatEntryInfo info;
        if (m_doc.Volume().Stat(Bytes(PathOf(name)), info) == FatError::None && !info.isDirectory) files << name;
    }
    if (files.isEmpty()) return false;
    const QString folder = m_prompts->ExtractFolder(this);
    if (folder.isEmpty()) return false;
    for (const QString& name : files) {
        const QString target = folder + "/" + name;
        if (QFileInfo::exists(target) &&
            !m_prompts->Confirm(this, QString("%1 already exists. Replace it?").arg(target)))
            continue;
        ChangeResult r = m_doc.ExtractFile(Bytes(PathOf(name)), Bytes(target));
        if (!r.ok()) {
            m_prompts->Error(this, Local(r.message));
            return false;
        }
    }
    return true;
}

bool ImageViewer::DeleteSelected() {
    const QStringList names = SelectedNames();
    if (names.isEmpty()) return false;
    const QString what = names.size() == 1 ? names.front() : QString("these %1 items").arg(names.size());
    if (!m_prompts->Confirm(this, QString("Delete %1 from the image? Folders are deleted with everything in them.")
                                      .arg(what)))
        return false;
    return Report(m_doc.Apply([&](FatVolume& v) {
        for (const QString& name : names) {
            FatError err = v.Remove(Bytes(PathOf(name)));
            if (err != FatError::None) return err;
        }
        return FatError::None;
    }));
}

bool ImageViewer::RenameSelected() {
    const QStringList names = SelectedNames();
    if (names.size() != 1) return false;
    QString text = names.front();
    while (true) {
        if (!m_prompts->AskText(this, "Rename", "New short (8.3) name:", text)) return false;
        ShortName parsed;
        std::string why;
        if (ParseShortName(Bytes(text), parsed, &why)) break;
        m_prompts->Error(this, QString("\"%1\" cannot be used: %2").arg(text, Local(why)));
    }
    const bool ok = Report(m_doc.Apply([&](FatVolume& v) { return v.Rename(Bytes(PathOf(names.front())), Bytes(text)); }));
    if (ok) {
        ShortName parsed;
        ParseShortName(Bytes(text), parsed);
        SelectEntries({Local(FormatShortName(parsed))});
    }
    return ok;
}

bool ImageViewer::NewFolder() {
    QString text;
    while (true) {
        if (!m_prompts->AskText(this, "New Folder", "Short (8.3) name of the new folder:", text)) return false;
        ShortName parsed;
        std::string why;
        if (ParseShortName(Bytes(text), parsed, &why)) break;
        m_prompts->Error(this, QString("\"%1\" cannot be used: %2").arg(text, Local(why)));
    }
    return Report(m_doc.Apply([&](FatVolume& v) { return v.MakeDirectory(Bytes(PathOf(text))); }));
}

bool ImageViewer::EditLabel() {
    QString text = Local(m_doc.Volume().Label());
    if (!m_prompts->AskText(this, "Volume Label", "Volume label (up to 11 characters, empty for none):", text))
        return false;
    return Report(m_doc.Apply([&](FatVolume& v) { return v.SetLabel(Bytes(text)); }));
}

bool ImageViewer::RequestHelp() {
    emit helpRequested(KTIMG_HELP_VIEWER);
    if (!m_owner) return false;
    ImageHelpEvent event(KTIMG_HELP_VIEWER);
    return QCoreApplication::sendEvent(m_owner, &event);
}

}  // namespace imagelib
