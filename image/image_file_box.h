// CImageFileBox<Base>: the base of every page and dialog with the image file
// edit (IDC_IMAGE_FILE) and its Browse, Create and View buttons. It answers
// the three buttons in the page's image folder, routes the viewer's help
// requests to the page's help, enables the box and its buttons by one rule
// and checks a typed name before the page stores it. Base is the framework
// class the page would otherwise derive from (CDialog, CPropertyPage,
// CPropertyPageEx); the page names its folder and keeps its own rules for
// everything else.
#pragma once

#include <string>

#include "image/image_help_route.h"
#include "image/image_operations.h"
#include "platform/framework/win_app.h"
#include "res/resource.h"

template <class Base>
class CImageFileBox : public Base {
public:
    using Base::Base;

    BOOL OnInitDialog() override {
        Base::OnInitDialog();
        RouteImageHelp(*this);  // the viewer opened by View asks this page for its help
        return TRUE;
    }

    BOOL OnCommand(UINT id, UINT code) override {
        if (OnImageButtonCommand(*this, id, code, ImageFolder())) return TRUE;
        return Base::OnCommand(id, code);
    }

    // The viewer's help request (WM_IMAGE_HELP) shows the topic it names.
    BOOL OnWindowMessage(UINT message, intptr_t wParam, intptr_t lParam) override {
        if (message != WM_IMAGE_HELP) return Base::OnWindowMessage(message, wParam, lParam);
        framework::ShowHelp(static_cast<unsigned>(lParam));
        return TRUE;
    }

protected:
    // The image folder, ending with a backslash; empty when the page has none
    // (a loader without a path).
    virtual std::string ImageFolder() const = 0;

    std::string ImageFileText() const { return this->GetDlgItemText(IDC_IMAGE_FILE); }

    // `on`: the box is in use (off while the item boots from the hard drive).
    // Browse and Create also need a folder: without one they would work in
    // the program's current folder. View also needs `viewable`, the page's
    // own rule for it (a typed name, on most pages).
    void EnableImageBox(bool on, bool viewable) {
        const bool buttons = on && !ImageFolder().empty();
        this->EnableDlgItem(IDC_IMAGE_FILE, on);
        this->EnableDlgItem(IDC_IMAGE_BROWSE, buttons);
        this->EnableDlgItem(IDC_IMAGE_CREATE, buttons);
        this->EnableDlgItem(IDC_IMAGE_VIEW, buttons && viewable);
    }

    // TRUE when the typed name can be stored: a name the client can fetch
    // (the problem shown otherwise) of a file that exists, or one the user
    // chooses to keep though it does not. `serverPath` as for
    // CheckImageFileName.
    BOOL AcceptImageFile(const std::string& name, const std::string* serverPath = nullptr) {
        return CheckImageFileName(ImageFolder(), name, serverPath) && ConfirmImageFile(ImageFolder(), name);
    }
};
