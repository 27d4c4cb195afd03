// Property sheets: a modal window of pages. In the tabbed style the pages are
// chosen by tabs titled with their template captions, with OK, Cancel and
// Help below and no Apply button; leaving a page (another tab, or OK) runs
// its OnKillActive, which can refuse. The wizard style (wizard_sheet.h)
// reuses the page handling with Back, Next and Finish in place of tabs.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/property_page.h"
#include "platform/win_types.h"

class QLabel;
class QPushButton;

namespace framework {

class TabControl;

// Sheet flags, with their Windows values.
enum : UINT {
    PSH_WIZARDHASFINISH = 0x00000010,
    PSH_WIZARD = 0x00000020,
    PSH_NOAPPLYNOW = 0x00000080,
    PSH_HASHELP = 0x00000200,
    PSH_WATERMARK = 0x00008000,
    PSH_WIZARD97 = 0x01000000,
};

// Buttons for PressButton.
enum : int {
    PSBTN_BACK = 0,
    PSBTN_NEXT = 1,
    PSBTN_FINISH = 2,
    PSBTN_OK = 3,
    PSBTN_APPLYNOW = 4,
    PSBTN_CANCEL = 5,
    PSBTN_HELP = 6,
};

struct PropSheetHeader {
    UINT dwFlags = 0;
    unsigned nStartPage = 0;
    unsigned watermarkBitmap = 0;  // bitmap resource of the wizard's watermark
};

class CPropertySheet;

// The sheet's Qt window: Enter presses the default button, Escape and the
// close button are Cancel.
class SheetWindow : public QDialog {
    Q_OBJECT
public:
    SheetWindow(CPropertySheet* owner, QWidget* parent);
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CPropertySheet* m_owner;
};

class CPropertySheet {
public:
    explicit CPropertySheet(const std::string& caption, QWidget* parent = nullptr, unsigned selectPage = 0);
    virtual ~CPropertySheet();
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Pages are not owned; they must outlive the sheet's run.
    void AddPage(CPropertyPage* page);
    // Takes a page out, also while the sheet runs (its window goes with it).
    void RemovePage(int index);
    void RemovePage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;
    int GetActiveIndex() const { return m_active; }
    CPropertyPage* GetActivePage() const { return GetPage(m_active); }
    // Leaves the active page (which may refuse) and shows another.
    BOOL SetActivePage(int index);

    // Builds the window and shows the start page without running a loop; the
    // first half of DoModal, also used by tests to drive a sheet directly.
    BOOL Create();
    // Runs the sheet; IDOK or IDCANCEL (wizards: ID_WIZFINISH or IDCANCEL).
    virtual int DoModal();
    // The button as if the user pressed it.
    virtual void PressButton(int button);
    // What Enter does: OK here, Next or Finish in a wizard.
    virtual void PressDefaultButton();
    // Wizard buttons (PSWIZB_* flags); tabbed sheets have none.
    virtual void SetWizardButtons(UINT /*flags*/) {}
    void EndDialog(int result);
    void DestroyWindow();

    void SetTitle(const std::string& caption) { m_caption = caption; }
    const std::string& GetTitle() const { return m_caption; }
    // The result of the last run (or of a sheet driven with Create).
    int Result() const { return m_result; }
    bool IsEnded() const { return m_ended; }

    SheetWindow* Window() const { return m_window; }
    // A sheet button by its command identifier (IDOK, IDCANCEL, ID_HELP,
    // ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH); nullptr when it has none.
    QPushButton* Button(UINT id) const;
    TabControl* Tabs() const { return m_tabs; }

    PropSheetHeader m_psh;
    // Asked when OK or Finish is pressed, before any page: false keeps the
    // sheet open (the check has told the user why).
    std::function<bool()> m_beforeClose;

protected:
    // Lays out the window for the pages' largest template; `pageOrigin`
    // receives where pages go.
    virtual void BuildLayout(QSize pageSize);
    // Called after a page became the active one.
    virtual void OnPageShown();
    // The focus after a page change: where the page asked for it in
    // OnInitDialog or OnSetActive, else its first tab stop; a tab strip that
    // has the focus keeps it, as Windows keeps it on the tab control.
    void FocusActivePage();
    // Tab order: the tab strip, the active page's controls in template
    // order, then the sheet's buttons in the order they were added.
    void UpdateTabOrder();
    // Leaves the active page and shows `index`; `checkKill` runs the active
    // page's OnKillActive first.
    BOOL ActivatePage(int index, bool checkKill);
    QPushButton* AddButton(UINT id, const std::string& text, QRect rect);
    QSize LargestPage() const;
    void ShowHelpForActivePage();
    // Every page that was shown hears OnCancel, then the sheet ends with IDCANCEL.
    void CancelAndClose();

    std::string m_caption;
    QWidget* m_parent;
    SheetWindow* m_window = nullptr;
    TabControl* m_tabs = nullptr;
    QPoint m_pageOrigin;
    QSize m_pageArea;  // the largest page's size, which every page is given
    std::vector<CPropertyPage*> m_pages;
    std::vector<std::pair<UINT, QPushButton*>> m_buttons;
    int m_active = -1;
    int m_result = IDCANCEL;
    bool m_ended = false;
    bool m_inModalLoop = false;

private:
    friend class SheetWindow;
    void OnTabChanged(int index);
    void ApplyAndClose();
};

}  // namespace framework
