// Pages of property sheets and wizards: a dialog template built as a child of
// its sheet, with the page virtuals a sheet calls when the user moves between
// pages, presses OK, or presses Back, Next or Finish. Returning FALSE from
// OnKillActive or OnWizardFinish keeps the user on the page.
#pragma once

#include <string>

#include "platform/framework/dialog.h"

class QPlainTextEdit;

namespace framework {

class CPropertySheet;

// Page flags, with their Windows values.
enum : UINT {
    PSP_USETITLE = 0x00000008,
    PSP_HASHELP = 0x00000020,
    PSP_HIDEHEADER = 0x00000800,
    PSP_USEHEADERTITLE = 0x00001000,
    PSP_USEHEADERSUBTITLE = 0x00002000,
};

// Command identifiers of the sheet's buttons.
enum : UINT {
    ID_WIZBACK = 12323,
    ID_WIZNEXT = 12324,
    ID_WIZFINISH = 12325,
    ID_HELP = 57670,  // the sheet's Help button, sent to the active page
};

// The window message the image library sends for context help.
enum : UINT { WM_USER = 0x0400 };

struct PropSheetPage {
    UINT dwFlags = PSP_HASHELP;
    std::string pszTitle;           // tab text or wizard caption with PSP_USETITLE
    std::string pszHeaderTitle;     // wizard header, with PSP_USEHEADERTITLE
    std::string pszHeaderSubTitle;  // wizard header, with PSP_USEHEADERSUBTITLE
};

class CPropertyPage : public CDialog {
public:
    // `captionId`, when not 0, is a string-table entry used as the title.
    explicit CPropertyPage(unsigned templateId, unsigned captionId = 0);

    // The sheet calls these.
    virtual BOOL OnSetActive();   // the page is about to be shown
    virtual BOOL OnKillActive();  // the page is about to be left (tab change, OK, Next, Back)
    virtual BOOL OnWizardFinish();
    // 0 goes on to the neighbouring page, -1 stays.
    virtual intptr_t OnWizardNext();
    virtual intptr_t OnWizardBack();
    // A page's OK and Cancel are the sheet's: they apply or drop the page,
    // they do not end anything themselves.
    void OnOK() override {}
    void OnCancel() override {}

    // OK, Cancel and Enter inside a page go to the sheet.
    BOOL OnCommand(UINT id, UINT code) override;

    CPropertySheet* GetParentSheet() const { return m_pSheet; }
    // The tab text: the title when PSP_USETITLE is set, else the template caption.
    std::string GetTabTitle() const;
    // The room the page takes in its sheet, in pixels: its template's size,
    // or more for a page that adds controls of its own beside the template.
    virtual QSize PageSize() const;

    PropSheetPage m_psp;

protected:
    void BuildWindow(QWidget* parent) override;

private:
    friend class CPropertySheet;
    CPropertySheet* m_pSheet = nullptr;
};

// A wizard page with a header title and subtitle (string-table entries).
class CPropertyPageEx : public CPropertyPage {
public:
    CPropertyPageEx(unsigned templateId, unsigned captionId = 0, unsigned headerTitleId = 0,
                    unsigned headerSubTitleId = 0);
};

// Text as a page stores it: line breaks and tabs become blanks, other
// control characters are dropped.
std::string OneLine(const std::string& text);

}  // namespace framework
