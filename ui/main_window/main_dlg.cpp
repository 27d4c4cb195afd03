#include "ui/main_window/main_dlg.h"

#include "ui/main_window/main_window_keys.h"
#include "ui/main_window/vm_boot_menu.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTreeWidget>

#include "about/about_box.h"
#include "platform/framework/bitmap_resources.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "ui/common/boots_on_tooltip.h"
#include "ui/common/start_summary.h"

namespace {
void RunAboutBox(CMainDlg& owner) { CAboutBox(owner.Window()).DoModal(); }

// A look at an entry for the status line says nothing: Properties and Test
// Boot tell what is wrong with it when asked.
class QuietMessages : public platform::MessageSink {
public:
    QuietMessages() : m_old(platform::SetMessageSink(this)) {}
    ~QuietMessages() override { platform::SetMessageSink(m_old); }
    int Show(const platform::MessageRequest&) override { return IDOK; }

private:
    platform::MessageSink* m_old;
};
}  // namespace

void (*CMainDlg::s_runAboutBox)(CMainDlg& owner) = &RunAboutBox;

CMainDlg::CMainDlg(QWidget* parent) : CDialog(res::IDD_MAIN, parent) {}

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    auto* tabs = Item<framework::TabControl>(IDC_MAIN_TABS);
    tabs->InsertItem(0, QStringLiteral("Maintenance and Troubleshooting"));
    tabs->InsertItem(1, QStringLiteral("Automatic Setup"));

    m_list = Item<QTreeWidget>(IDC_MAIN_LIST);
    m_imageList = framework::LoadImageList(res::IDB_ENTRY_KINDS, 16);
    m_list->setColumnCount(1);
    m_list->setHeaderLabels({QStringLiteral("Menu Items")});
    m_list->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    // Full-row selection is the tree widget's own way; the column fills the
    // client area less 18 pixels, as the list was designed.
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    int client = m_list->width() - 2 * m_list->frameWidth();
    m_list->header()->resizeSection(0, client - 18);
    // The list's last line goes to the selected entry's "Boots on: ...".
    const QRect shortened = framework::DluRectToPixels(17, 96, 219, 65, Units());
    m_list->setGeometry(m_list->geometry().x(), m_list->geometry().y(), m_list->width(), shortened.height());
    m_bootsOn = AddTextLine(*this, 17, 162, 219);
    QObject::connect(m_list, &QTreeWidget::currentItemChanged, m_list, [this] { UpdateBootsOn(); });
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_list, &QWidget::customContextMenuRequested,
                     [this](const QPoint& position) { ShowEntryContextMenu(*this, position); });
    InstallMainWindowKeys(*this);

    if (m_pHost) {
        for (const std::string& language : m_pHost->Languages()) AddString(IDC_MAIN_LANGUAGE, language);
        SelectString(IDC_MAIN_LANGUAGE, m_pHost->GetCurrentLanguage());
        if (m_pHost->Languages().size() == 1) {
            EnableDlgItem(IDC_MAIN_LANGUAGE, FALSE);
            EnableDlgItem(IDC_MAIN_LANGUAGE_LABEL, FALSE);
        }
    }
    FillList();
    return TRUE;
}

BOOL CMainDlg::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDC_MAIN_ADD:
            if (code == framework::BN_CLICKED) OnAdd();
            return TRUE;
        case IDC_MAIN_REMOVE:
            if (code == framework::BN_CLICKED) OnRemove();
            return TRUE;
        case IDC_MAIN_PROPERTIES:
            if (code == framework::BN_CLICKED) OnProperties();
            return TRUE;
        case IDC_MAIN_REFRESH:
            if (code == framework::BN_CLICKED) Reload();
            return TRUE;
        case IDC_MAIN_LANGUAGE:
            if (code == framework::CBN_SELCHANGE) OnChangeLanguage();
            return TRUE;
        case framework::IDHELP:
            if (code == framework::BN_CLICKED)
                framework::ShowHelp(IDH_MAIN_WINDOW);
            return TRUE;
        case IDC_MAIN_ABOUT:
            if (code == framework::BN_CLICKED && s_runAboutBox) s_runAboutBox(*this);
            return TRUE;
        default: return CDialog::OnCommand(id, code);
    }
}

BOOL CMainDlg::OnNotify(UINT id, UINT code) {
    if (id == IDC_MAIN_LIST && code == framework::NM_DBLCLK) {
        OnProperties();
        return TRUE;
    }
    if (id == IDC_MAIN_TABS && code == framework::TCN_SELCHANGE) {
        Reload();
        return TRUE;
    }
    return FALSE;
}

// Every repaint of the window also repaints the list.
void CMainDlg::OnPaint() {
    if (m_list) m_list->viewport()->update();
}

void CMainDlg::OnActivate(bool) {
    if (Window()) Window()->update();
}

int CMainDlg::SelectedRow() const {
    if (!m_list) return -1;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        if (m_list->topLevelItem(row)->isSelected()) return row;
    return -1;
}

void CMainDlg::SelectRow(int row) {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item) return;
    m_list->scrollToItem(item, QAbstractItemView::EnsureVisible);
    m_list->setCurrentItem(item);
    item->setSelected(true);
}

void CMainDlg::FillList(const std::string* select) {
    m_list->clear();
    const int count = m_pStore ? m_pStore->GetCount() : 0;
    EnableDlgItem(IDC_MAIN_REMOVE, count > 0);
    EnableDlgItem(IDC_MAIN_PROPERTIES, count > 0);
    if (count == 0) return;

    // Row i shows entry i: the list keeps the store's order.
    for (const MenuRow& entry : m_pStore->Rows()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, framework::ToQt(entry.description));
        const auto icon = static_cast<size_t>(entry.kind);  // the bitmap strip is in EntryKind order
        if (icon < m_imageList.size()) item->setIcon(0, m_imageList[icon]);
        if (entry.readOnly) {
            // Listed, but marked: its files can be read and not written.
            item->setForeground(0, m_list->palette().brush(QPalette::Disabled, QPalette::Text));
            item->setToolTip(0, QString::fromLocal8Bit(res::LoadString(res::IDS_WRITE_PROTECTED)));
        }
    }
    int target = 0;
    if (select) {
        QString wanted = framework::ToQt(*select);
        for (int row = 0; row < count; ++row) {
            if (m_list->topLevelItem(row)->text(0).compare(wanted, Qt::CaseInsensitive) == 0) {
                target = row;
                break;
            }
        }
    }
    SelectRow(target);
    m_list->setFocus(Qt::OtherFocusReason);
    if (Window()) Window()->update();
}

void CMainDlg::UpdateBootsOn() {
    if (!m_bootsOn) return;
    const int row = m_list ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    std::string text;
    if (m_pStore && row >= 0 && row < m_pStore->GetCount()) {
        QuietMessages quiet;
        MenuEntry entry(m_pStore->GetRisRoot());
        if (entry.Open(m_pStore->Row(row).sifPath) && entry.m_loaderOpened) text = EntryBootsOnLine(entry.m_loader);
    }
    m_bootsOn->setText(framework::ToQt(text));
    m_bootsOn->setToolTip(framework::ToQt(text));  // a long submenu's line is cut at the window's edge
}

void CMainDlg::OnAdd() {
    if (!m_pStore) return;
    // The store runs the create wizard and re-reads its folder. When the new
    // entry's OSChooser file could not be saved, its description is not in
    // the list and FillList selects row 0.
    std::string description;
    if (m_pStore->CreateEntry(description)) FillList(&description);
}

void CMainDlg::OnRemove() {
    const int row = SelectedRow();
    if (row < 0 || !m_pStore) return;
    // Rows map to entries by position: with two entries of the same
    // description, the one the user selected is the one removed.
    const int index = row;
    if (RefuseReadOnly(index)) {
        m_list->setFocus(Qt::OtherFocusReason);  // back on the entry, as after No
        return;
    }
    std::string question = res::FormatString(res::IDS_REMOVE_QUESTION, m_pStore->Row(index).description.c_str());
    if (platform::MessageBox(Window(), question, res::LoadString(res::IDS_EDIT_MENU),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) ==
        IDYES) {
        m_pStore->DeleteEntry(index);
        FillList();
        const int rows = m_list->topLevelItemCount();
        if (rows > 0) {
            m_list->clearSelection();
            SelectRow(row == rows ? row - 1 : std::min(row, rows - 1));
        }
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

void CMainDlg::OnProperties() {
    const int row = SelectedRow();
    if (row < 0 || !m_pStore) return;
    // Rows map to entries by position, as for Remove. After OK the list is
    // re-read with row 0 selected. A read-only entry opens read-only.
    if (m_pStore->EditEntry(row)) {
        Reload();
        FillList();
    }
}

bool CMainDlg::RefuseReadOnly(int index) {
    const MenuRow& row = m_pStore->Row(index);
    if (!row.readOnly) return false;
    // The message names the file and why, by the rule OK and Finish use.
    std::string why;
    {
        QuietMessages quiet;
        MenuEntry entry(m_pStore->GetRisRoot());
        if (entry.Open(row.sifPath)) why = entry.WriteProblem();
    }
    if (why.empty()) why = WhyNotWritable(row.sifPath);
    platform::AfxMessageBox(std::string(res::LoadString(res::IDS_WRITE_PROTECTED)) + (why.empty() ? "" : "\n" + why),
                            platform::MB_OK | platform::MB_ICONERROR);
    return true;
}

void CMainDlg::Reload() {
    int tab = Item<framework::TabControl>(IDC_MAIN_TABS)->GetCurSel();
    if (m_pHost) m_pHost->SelectTab(tab);
    FillList();
}

void CMainDlg::OnChangeLanguage() {
    std::string language = GetItemText(IDC_MAIN_LANGUAGE, GetCurSel(IDC_MAIN_LANGUAGE));
    if (m_pHost) m_pHost->SelectLanguage(language);
    FillList();
}
