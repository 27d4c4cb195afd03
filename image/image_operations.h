// The shared boot image file operations and the rules every page and dialog
// with the image file edit (IDC_IMAGE_FILE) and its Browse, Create and View
// buttons applies. An image file always lies in the image folder (the folder
// of the loader file, ending with a backslash); items store its bare name,
// and an empty name means the item boots from the hard drive.
#pragma once

#include <string>

#include "image/image_file_names.h"
#include "platform/win_types.h"

namespace framework {
class CDialog;
}

// Runs the Create Boot Image File dialog for the folder. TRUE when a file was
// created; `name` is then the name as entered (".img" added when it held no
// dot). FALSE leaves `name` untouched.
BOOL CreateImageFile(const std::string& folder, std::string& name);

// Lets the user pick a file and copies it into the folder when it lies
// elsewhere, never replacing a file there (and saying so when the copy fails
// or another file of that name is already there). TRUE when a file was
// chosen; `name` is then its bare name.
BOOL BrowseImageFile(const std::string& folder, std::string& name);

// Shows the image in the library's viewer and editor, owned by `owner`.
// 0 when no file matches `path` (the user was told); otherwise the library's
// result.
int ViewImageFile(framework::CDialog* owner, const std::string& path);

// ---- Rules for a typed name ------------------------------------------------
// (IsBareImageFileName, ServerPathOf, ImageFileNameProblem: image_file_names.h)

// Shows the problem of a name, if any, in an application box with the error
// icon and returns FALSE; TRUE when the name can be used.
// `serverPath`: the loader's stored server path, as in ImageFileNameProblem.
BOOL CheckImageFileName(const std::string& folder, const std::string& name, const std::string* serverPath = nullptr);

// TRUE when the file exists in the folder or the user answers Yes to "The
// specified image file does not exist.  Do you want to save this entry
// anyway?".
BOOL ConfirmImageFile(const std::string& folder, const std::string& name);

// ---- Button handlers -------------------------------------------------------

// The commands of the three image buttons: TRUE when `id` is Browse, Create
// or View (the click, if `code` is one, has been handled), FALSE otherwise.
BOOL OnImageButtonCommand(framework::CDialog& page, UINT id, UINT code, const std::string& folder);

// Browse and Create: on success the name replaces the text of IDC_IMAGE_FILE.
void OnBrowseImageButton(framework::CDialog& page, const std::string& folder);
void OnCreateImageButton(framework::CDialog& page, const std::string& folder);
// View: the text of IDC_IMAGE_FILE must be usable as a name; then the folder and the
// name are viewed.
void OnViewImageButton(framework::CDialog& page, const std::string& folder);

