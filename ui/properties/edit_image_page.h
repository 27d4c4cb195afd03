// CEditImagePage: the Image page of the menu item property sheet, for an
// entry whose loader has fewer than two items. Shows and sets the boot image
// file of item 0 and which PCs it boots on; when the loader could not be
// read it shows why instead.
#pragma once

#include <string>

#include "image/image_file_box.h"
#include "platform/framework/property_page.h"

class LoaderFile;
class QLabel;

class CEditImagePage : public CImageFileBox<framework::CPropertyPage> {
public:
    CEditImagePage();

    BOOL OnInitDialog() override;
    BOOL OnKillActive() override;
    BOOL OnCommand(UINT id, UINT code) override;

    // Set by the sheet before it runs; not owned.
    LoaderFile* m_pLoader = nullptr;
    // The loader file, as the entry names it, when it was missing and the
    // page edits the template that OK writes in its place; else empty.
    std::string m_missingLoader;

    // Run-time class name, as the framework's class information gives it.
    static constexpr const char* kClassName = "CEditImagePage";

    // "Boots on: ..." of the named image, as text.
    QLabel* m_bootsOn = nullptr;
    // Says that the loader file is missing and what OK does about it.
    QLabel* m_missingNote = nullptr;

private:
    std::string ImageFolder() const override;
    void UpdateBootsOn();
};
