#include "image/image_file_chooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QStringList>
#include <vector>

#include "platform/file_system.h"
#include "platform/framework/qt_text.h"

namespace image {

namespace {

// The detail view's columns take the width of their contents (sizes such as
// "16.0 MiB", types such as "Raw disk image") each time a folder is read.
void FitColumns(QFileDialog& dialog) {
    dialog.setViewMode(QFileDialog::Detail);
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view) return;
    auto fit = [view] {
        QHeaderView* header = view->header();
        for (int column = 0; column < header->count(); ++column) view->resizeColumnToContents(column);
    };
    QObject::connect(&dialog, &QFileDialog::directoryEntered, view, fit, Qt::QueuedConnection);
    if (auto* model = qobject_cast<QFileSystemModel*>(view->model()))
        QObject::connect(model, &QFileSystemModel::directoryLoaded, view, fit, Qt::QueuedConnection);
    dialog.resize(std::max(dialog.sizeHint().width(), 640), std::max(dialog.sizeHint().height(), 400));
}

class ToolkitChooser : public ImageFileChooser {
public:
    bool ChooseFile(const std::string& initialFile, const std::string& filter, std::string& chosen) override {
        size_t cut = initialFile.find_last_of('\\');
        std::string folder = cut == std::string::npos ? std::string() : initialFile.substr(0, cut + 1);
        std::string mask = cut == std::string::npos ? initialFile : initialFile.substr(cut + 1);
        platform::ResolvedPath start = platform::Resolve(folder);

        QFileDialog dialog(QApplication::activeWindow());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilters(framework::ToQt(ToolkitFilter(filter)).split(QStringLiteral(";;")));
        if (start.error == platform::FileError::None && start.isDirectory)
            dialog.setDirectory(QString::fromLocal8Bit(start.host.c_str()));
        // The file-name box starts with the wildcard, as the Windows dialog's.
        if (!mask.empty()) dialog.selectFile(QString::fromLocal8Bit(mask.c_str()));
        FitColumns(dialog);
        if (dialog.exec() != QDialog::Accepted) return false;
        QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return false;
        // A file outside every mapped share is reached through drive Z:,
        // which stands for the host's root folder.
        platform::MapDrive('Z', "/");
        chosen = platform::ToWindowsPath(std::filesystem::path(files.front().toLocal8Bit().toStdString()));
        return true;
    }
};

ToolkitChooser g_toolkit;
ImageFileChooser* g_chooser = &g_toolkit;

}  // namespace

ImageFileChooser& FileChooser() { return *g_chooser; }

ImageFileChooser* SetFileChooser(ImageFileChooser* chooser) {
    ImageFileChooser* previous = g_chooser == &g_toolkit ? nullptr : g_chooser;
    g_chooser = chooser ? chooser : &g_toolkit;
    return previous;
}

std::string ToolkitFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == std::string::npos) bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the "||" that ends the list
        // "a;b" lists patterns with blanks there; "*.*" is "*" on the host.
        std::string patterns;
        size_t from = 0;
        const std::string& list = parts[i + 1];
        while (from <= list.size()) {
            size_t semicolon = list.find(';', from);
            if (semicolon == std::string::npos) semicolon = list.size();
            std::string pattern = list.substr(from, semicolon - from);
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern == "*.*" ? std::string("*") : pattern;
            from = semicolon + 1;
        }
        if (!out.empty()) out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

}  // namespace image
