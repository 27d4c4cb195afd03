// The modal viewer and editor of one boot image: volume label, capacity,
// free space, the folder tree and the files of the chosen folder, with
// Add, Extract, Delete, Rename, New Folder and Label. Each change goes
// through ImageDocument, so it is on disk (whole) before the view shows it.
// The questions the viewer asks (files to add, a folder to extract to, a new
// name, a confirmation, an error) go through ViewerPrompts so that tests can
// answer them; the operations are public so that tests can drive them.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

#include "imagelib/image_document.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace imagelib {

class ViewerPrompts {
public:
    virtual ~ViewerPrompts() = default;
    virtual QStringList FilesToAdd(QWidget* parent) = 0;
    virtual QString ExtractFolder(QWidget* parent) = 0;
    // Returns false when the user cancels.
    virtual bool AskText(QWidget* parent, const QString& title, const QString& label, QString& text) = 0;
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& text) = 0;
    virtual void Info(QWidget* parent, const QString& text) = 0;
    // The diskette image whose contents replace the image's, and whether
    // its RAM disk takes writes. Returns false when the user cancels.
    virtual bool DisketteToWrap(QWidget* parent, QString& diskette, bool& writable) = 0;
    // The EFI program to start on UEFI PCs; empty when the user cancels.
    virtual QString EfiProgramToAdd(QWidget*) { return {}; }
};

// Real dialogs: file pickers, input box, message boxes.
std::unique_ptr<ViewerPrompts> MakeDialogPrompts();

class ImageViewer : public QDialog {
    Q_OBJECT
public:
    // `owner` receives help requests; `helpAvailable` shows the Help button.
    ImageViewer(QWidget* owner, bool helpAvailable, std::unique_ptr<ViewerPrompts> prompts = nullptr);
    ~ImageViewer() override;

    bool Open(const std::string& hostPath, std::string& error);
    const ImageDocument& Document() const { return m_doc; }

    // The folder shown ("" = root) and its entries, as listed.
    QString CurrentFolder() const { return m_folder; }
    bool SelectFolder(const QString& folder);
    QStringList ListedNames() const;
    void SelectEntries(const QStringList& names);
    QString InfoText() const;  // label, capacity and free space as shown

    // The commands behind the buttons, on the current folder and selection.
    // Each returns true when the image changed (or, for Extract, files were
    // written); failures are reported through the prompts.
    bool AddFiles();
    bool AddFiles(const QStringList& hostFiles);
    bool ExtractSelected();
    bool DeleteSelected();
    bool RenameSelected();
    bool NewFolder();
    bool EditLabel();
    // Replaces the image with an extended image made from a diskette image
    // (see WrapDiskette); the keep-network options of the image stay.
    bool FromDiskette();
    // Puts an EFI program at \EFI\BOOT\BOOTX64.EFI (asking before it
    // replaces one) and shows it there.
    bool AddEfiBootProgram();
    bool AddEfiBootProgram(const QString& hostFile);
    // Asks the owner to show the viewer's help; true when it did.
    bool RequestHelp();

    QTreeWidget* FolderTree() const { return m_tree; }
    QTreeWidget* FileList() const { return m_list; }

signals:
    void helpRequested(unsigned context);

private:
    void Refresh();
    void FillTree(QTreeWidgetItem* parent, const QString& path, int depth);
    void FillList();
    void UpdateButtons();
    bool Report(const ChangeResult& result);
    QStringList SelectedNames() const;
    QString PathOf(const QString& name) const;

    ImageDocument m_doc;
    QWidget* m_owner;
    std::unique_ptr<ViewerPrompts> m_prompts;
    QString m_folder;
    QLabel* m_info = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_extract = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_newFolder = nullptr;
    QPushButton* m_label = nullptr;
    QPushButton* m_fromDiskette = nullptr;
    QPushButton* m_addEfi = nullptr;
};

}  // namespace imagelib
