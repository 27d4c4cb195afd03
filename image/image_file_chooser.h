// The open-file dialog that Browse shows, behind one replaceable object so
// that tests can answer it.
#pragma once

#include <string>

namespace image {

class ImageFileChooser {
public:
    virtual ~ImageFileChooser() = default;
    // Shows the dialog starting at `initialFile` (a Windows path: folder and
    // a wildcard name) with a filter in the "Text|pattern|...||" form. On OK
    // sets `chosen` to the full Windows path of the chosen file and returns
    // true; Cancel returns false.
    virtual bool ChooseFile(const std::string& initialFile, const std::string& filter, std::string& chosen) = 0;
};

ImageFileChooser& FileChooser();
// Installs a chooser and returns the one replaced; nullptr restores the
// toolkit's open-file dialog.
ImageFileChooser* SetFileChooser(ImageFileChooser* chooser);

// "Image files|*.img|All Files|*.*||" as the toolkit's filter list
// ("Image files (*.img);;All Files (*)"); "*.*" stands for every name.
std::string ToolkitFilter(const std::string& filter);

}  // namespace image
