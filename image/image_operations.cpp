#include "image/image_operations.h"

#include <QApplication>
#include <QWidget>
#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "image/create_image_dlg.h"
#include "image/image_file_chooser.h"
#include "image/image_library_calls.h"
#include "loader/layout.h"
#include "platform/file_system.h"
#include "platform/framework/dialog.h"
#include "platform/framework/qt_message_sink.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string NameOf(const std::string& path) {
    size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Two Windows paths that lead to one host file, or to files with the same
// bytes: the item boots what the user chose either way.
bool SameImage(const std::string& first, const std::string& second) {
    platform::ResolvedPath a = platform::Resolve(first);
    platform::ResolvedPath b = platform::Resolve(second);
    if (a.error != platform::FileError::None || b.error != platform::FileError::None) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(a.host, b.host, ec)) return true;
    platform::ReadResult x = platform::ReadWholeFile(first, SIZE_MAX);
    platform::ReadResult y = platform::ReadWholeFile(second, SIZE_MAX);
    return x.error == platform::FileError::None && y.error == platform::FileError::None && x.bytes == y.bytes;
}

}  // namespace

// ---- Shared operations -----------------------------------------------------

BOOL CreateImageFile(const std::string& folder, std::string& name) {
    // Without a folder the file would land in the program's current folder.
    if (folder.empty()) return FALSE;
    CCreateImageDlg dialog(folder, static_cast<QWidget*>(framework::ActiveWindow()));
    if (dialog.DoModal() != IDOK) return FALSE;
    name = dialog.m_fileName;
    return TRUE;
}

BOOL BrowseImageFile(const std::string& folder, std::string& name) {
    if (folder.empty()) return FALSE;
    std::string chosen;
    if (!image::FileChooser().ChooseFile(folder + "*.img", "Image files|*.img|All Files|*.*||", chosen)) return FALSE;
    const std::string chosenName = NameOf(chosen);
    const std::string chosenFolder = FolderOf(chosen);
    // A name the item cannot carry is refused before anything is copied.
    if (chosenName.empty() || !CheckImageFileName(folder, chosenName)) return FALSE;

    if (chosenFolder != folder) {
        const std::string target = folder + chosenName;
        if (platform::Exists(target)) {
            // The copy never replaces a file; when the one already there is
            // another file, the item would boot that one, so the user is told.
            if (!SameImage(chosen, target))
                platform::AfxMessageBox(res::FormatString(res::IDS_IMAGE_NAME_TAKEN, target.c_str()),
                                        platform::MB_ICONWARNING);
        } else if (platform::CopyFile(chosen, target, true) != platform::FileError::None) {
            platform::AfxMessageBox(std::string(res::LoadString(res::IDS_COPY_FAILED)) + "\n\n" + target,
                                    platform::MB_ICONERROR);
        }
    }
    name = chosenName;
    return TRUE;
}

int ViewImageFile(framework::CDialog* owner, const std::string& path) {
    if (path.size() > kMaxImagePath) {
        platform::AfxMessageBox(res::IDS_PATH_TOO_LONG, platform::MB_ICONERROR);
        return 0;
    }
    if (!ImageFileExists(path)) {
        framework::ShowErrorBox(res::IDS_IMAGE_NOT_FOUND);
        return 0;
    }
    // A wildcard that matched, or a folder, names no one image to open.
    platform::ResolvedPath file = platform::Resolve(path);
    if (file.error != platform::FileError::None || !file.exists || file.isDirectory) {
        framework::ShowErrorBox(file.isDirectory ? res::IDS_IMAGE_NOT_FOUND : res::IDS_INVALID_PATH);
        return 0;
    }
    const std::string host = file.host.string();
    if (host.size() > kMaxImagePath) {
        platform::AfxMessageBox(res::IDS_PATH_TOO_LONG, platform::MB_ICONERROR);
        return 0;
    }
    std::array<char, kMaxImagePath + 1> buffer{};
    std::memcpy(buffer.data(), host.data(), host.size());

    ImageViewRequest request{};
    request.size = sizeof(request);
    request.owner = owner ? owner->GetSafeHwnd() : nullptr;
    request.path = buffer.data();
    request.fixed = KTIMG_VIEW_FIXED;
    int result = image::ImageLibrary().ViewImage(request);
    // The library reports why it could not open the image only through its
    // result; without a word the View button would seem to do nothing.
    if (result == KTIMG_ERR_OPEN) {
        framework::ShowErrorBox(res::IDS_BAD_FORMAT);
    } else if (result != KTIMG_OK) {
        framework::ShowErrorBox(res::IDS_OPEN_ERROR);
    }
    return result;
}

BOOL CheckImageFileName(const std::string& folder, const std::string& name, const std::string* serverPath) {
    unsigned problem = ImageFileNameProblem(folder, name, serverPath);
    if (problem == 0) return TRUE;
    platform::AfxMessageBox(problem, platform::MB_ICONERROR);
    return FALSE;
}

BOOL ConfirmImageFile(const std::string& folder, const std::string& name) {
    if (ImageFileExistsIn(folder, name)) return TRUE;
    return platform::AfxMessageBox(res::IDS_IMAGE_MISSING_QUESTION, platform::MB_YESNO | platform::MB_ICONQUESTION) ==
                   IDYES
               ? TRUE
               : FALSE;
}

// ---- Button handlers -------------------------------------------------------

BOOL OnImageButtonCommand(framework::CDialog& page, UINT id, UINT code, const std::string& folder) {
    if (id != IDC_IMAGE_BROWSE && id != IDC_IMAGE_CREATE && id != IDC_IMAGE_VIEW) return FALSE;
    if (code != framework::BN_CLICKED) return TRUE;
    if (id == IDC_IMAGE_BROWSE) OnBrowseImageButton(page, folder);
    else if (id == IDC_IMAGE_CREATE) OnCreateImageButton(page, folder);
    else OnViewImageButton(page, folder);
    return TRUE;
}

void OnBrowseImageButton(framework::CDialog& page, const std::string& folder) {
    std::string name;
    if (BrowseImageFile(folder, name)) page.SetDlgItemText(IDC_IMAGE_FILE, name);
}

void OnCreateImageButton(framework::CDialog& page, const std::string& folder) {
    std::string name;
    if (CreateImageFile(folder, name)) page.SetDlgItemText(IDC_IMAGE_FILE, name);
}

void OnViewImageButton(framework::CDialog& page, const std::string& folder) {
    if (folder.empty()) return;
    const std::string name = page.GetDlgItemText(IDC_IMAGE_FILE);
    if (!CheckImageFileName(folder, name)) return;
    ViewImageFile(&page, folder + name);
}
