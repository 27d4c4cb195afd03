#include "ui/properties/view_loader_files_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "image/image_operations.h"
#include "loader/loader_file.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/entry_templates.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "ui/common/appearance_dlg.h"
#include "ui/common/boots_on_tooltip.h"
#include "ui/common/entry_ui_common.h"
#include "ui/common/start_dlg.h"
#include "ui/common/start_summary.h"
#include "ui/properties/submenu_item_dlg.h"

using namespace framework;

namespace {

constexpr int kMaxItems = 8;

int RunItemDialog(CSubmenuItemDlg& dialog) { return dialog.DoModal(); }
int RunAppearanceDialog(CAppearanceDlg& dialog) { return dialog.DoModal(); }
int RunStartDialog(CStartDlg& dialog) { return dialog.DoModal(); }

}  // namespace

int (*CViewLoaderFilesPage::s_runItemDialog)(CSubmenuItemDlg&) = &RunItemDialog;
int (*CViewLoaderFilesPage::s_runAppearanceDialog)(CAppearanceDlg&) = &RunAppearanceDialog;
int (*CViewLoaderFilesPage::s_runStartDialog)(CStartDlg&) = &RunStartDialog;

CViewLoaderFilesPage::CViewLoaderFilesPage(unsigned templateId) : CPropertyPage(templateId) {}

BOOL CViewLoaderFilesPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_list = Item<QTreeWidget>(IDC_LOADER_LIST);
    // Beside Appearance, inside the template's size.
    AddPushButton(IDC_CLIENT_PREVIEW, kPreviewButtonText, 67, 138, 55, 14);
    // The unattended start, under the list it starts from, and its change
    // beside Appearance and Preview.
    m_startText = AddTextLine(*this, 14, 99, 173);
    AddPushButton(IDC_START_CHANGE, kStartButtonText, 127, 138, 55, 14);
    if (m_pLoader && m_pLoader->m_error != 0) {
        // The loader did not open: its error takes the place of the list, and
        // nothing here may change what would be written back.
        for (int id : {IDC_LOADER_ADD, IDC_LOADER_DELETE, IDC_LOADER_PROPERTIES}) ShowDlgItem(id, FALSE);
        ShowDlgItem(IDC_LOADER_LIST, FALSE);
        EnableDlgItem(IDC_LOADER_APPEARANCE, FALSE);
        if (m_list) {
            m_errorText = new QLabel(framework::ToQt(m_pLoader->ErrorText()), Window());
            m_errorText->setWordWrap(true);
            m_errorText->setGeometry(m_list->geometry());
            m_errorText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            m_errorText->show();
        }
        EnableDlgItem(IDC_CLIENT_PREVIEW, FALSE);
        EnableDlgItem(IDC_START_CHANGE, FALSE);
        m_startText->hide();
        return TRUE;
    }
    if (m_list) {
        m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_list->setColumnCount(1);
        m_list->setHeaderLabels({QStringLiteral("Item")});
        m_list->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
        m_list->header()->setStretchLastSection(true);
        // Which PCs the item under the pointer boots on.
        InstallBootsOnTooltip(m_list->viewport(), [this](const QPoint& at) -> std::optional<TooltipItem> {
            const int row = m_list->indexOfTopLevelItem(m_list->itemAt(at));
            if (row < 0 || row >= m_pLoader->GetItemCount()) return std::nullopt;
            return TooltipItem{m_pLoader->GetFolder(), m_pLoader->GetImageFile(row)};
        });
    }
    FillList(0);
    return TRUE;
}

void CViewLoaderFilesPage::FillList(int row) {
    if (!m_list || !m_pLoader) return;
    {
        QSignalBlocker block(m_list);
        m_list->clear();
        const int count = m_pLoader->GetItemCount();
        for (int i = 0; i < count; ++i) {
            auto* item = new QTreeWidgetItem(m_list);
            item->setText(0, framework::ToQt(m_pLoader->GetDescription(i)));
        }
        m_list->setCurrentItem(nullptr);
        m_list->clearSelection();
        if (QTreeWidgetItem* item = m_list->topLevelItem(row)) {
            m_list->scrollToItem(item, QAbstractItemView::EnsureVisible);
            m_list->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    m_list->setFocus(Qt::OtherFocusReason);
    UpdatePreview();
}

int CViewLoaderFilesPage::SelectedRow() const {
    if (!m_list) return -1;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        if (m_list->topLevelItem(row)->isSelected()) return row;
    return -1;
}

void CViewLoaderFilesPage::UpdatePreview() {
    if (!m_pLoader || m_pLoader->m_error != 0) return;
    // The screen a PC shows first: the start item highlighted, whichever row
    // is selected here.
    m_preview.SetScreen(DrawMenuScreen(*m_pLoader, StartRow(*m_pLoader)));
    if (m_startText) m_startText->setText(framework::ToQt(StartSummary(*m_pLoader)));
}

void CViewLoaderFilesPage::OnAddItem() {
    if (!m_pLoader) return;
    const int count = m_pLoader->GetItemCount();
    if (count >= kMaxItems) {
        framework::ShowErrorBox(res::IDS_MENU_LIMIT);
        return;
    }
    CSubmenuItemDlg dialog;
    dialog.m_adding = TRUE;
    dialog.m_folder = m_pLoader->GetFolder();
    dialog.m_serverPath = m_pLoader->GetServerPath();
    if (s_runItemDialog(dialog) != IDOK) return;
    if (!CheckImageFileName(dialog.m_folder, dialog.m_imageFile, &*dialog.m_serverPath)) return;
    if (!StoreLoaderItem(*m_pLoader, count, dialog.m_imageFile, dialog.m_description, dialog.m_helpText)) return;
    FillList(count);
}

void CViewLoaderFilesPage::OnEditItem() {
    const int row = SelectedRow();
    if (row < 0 || !m_pLoader) return;
    CSubmenuItemDlg dialog;
    dialog.m_adding = FALSE;
    dialog.m_folder = m_pLoader->GetFolder();
    dialog.m_serverPath = m_pLoader->GetServerPath();
    m_pLoader->GetItem(row, dialog.m_imageFile, dialog.m_description, dialog.m_helpText);
    if (s_runItemDialog(dialog) != IDOK) return;
    if (!CheckImageFileName(dialog.m_folder, dialog.m_imageFile, &*dialog.m_serverPath)) return;
    if (!StoreLoaderItem(*m_pLoader, row, dialog.m_imageFile, dialog.m_description, dialog.m_helpText)) return;
    FillList(row);
}

void CViewLoaderFilesPage::OnDeleteItem() {
    const int row = SelectedRow();
    if (row < 0 || !m_pLoader) return;
    if (m_pLoader->GetItemCount() == 1) {
        platform::MessageBox(Window(), res::LoadString(res::IDS_DELETE_LAST_ITEM), res::LoadString(res::IDS_DELETE_ITEM),
                             platform::MB_OK | platform::MB_ICONERROR);
        return;
    }
    if (platform::MessageBox(Window(), res::LoadString(res::IDS_DELETE_ITEM_QUESTION), res::LoadString(res::IDS_DELETE_ITEM),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != IDYES)
        return;
    m_pLoader->RemoveItem(row);
    FillList(row);
    if (const uint32_t note = m_pLoader->TakeCountdownNote())
        platform::MessageBox(Window(), res::LoadString(note), res::LoadString(res::IDS_DELETE_ITEM),
                             platform::MB_OK | platform::MB_ICONINFORMATION);
}

void CViewLoaderFilesPage::OnStart() {
    if (!m_pLoader) return;
    CStartDlg dialog(m_pLoader, Window());
    s_runStartDialog(dialog);
    UpdatePreview();
}

void CViewLoaderFilesPage::OnAppearance() {
    if (!m_pLoader) return;
    CAppearanceDlg dialog(m_pLoader);
    s_runAppearanceDialog(dialog);
    UpdatePreview();
}

BOOL CViewLoaderFilesPage::OnKillActive() {
    if (m_pLoader && m_pLoader->m_error == 0 && m_pLoader->GetItemCount() == 1 &&
        platform::MessageBox(Window(), res::LoadString(res::IDS_ONE_ITEM_EDIT_QUESTION),
                             res::LoadString(res::IDS_EDIT_SUBMENU), platform::MB_YESNO | platform::MB_ICONQUESTION) != IDYES)
        return FALSE;
    return CPropertyPage::OnKillActive();
}

BOOL CViewLoaderFilesPage::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return CPropertyPage::OnCommand(id, code);
    switch (id) {
        case IDC_LOADER_ADD: OnAddItem(); return TRUE;
        case IDC_LOADER_DELETE: OnDeleteItem(); return TRUE;
        case IDC_LOADER_PROPERTIES: OnEditItem(); return TRUE;
        case IDC_LOADER_APPEARANCE: OnAppearance(); return TRUE;
        case IDC_CLIENT_PREVIEW: m_preview.Open(Window()); return TRUE;
        case IDC_START_CHANGE: OnStart(); return TRUE;
        case ID_HELP: framework::ShowHelp(IDH_PROPERTIES_SUBMENU); return TRUE;
        default: return CPropertyPage::OnCommand(id, code);
    }
}

BOOL CViewLoaderFilesPage::OnNotify(UINT id, UINT code) {
    if (id == IDC_LOADER_LIST && code == NM_DBLCLK) {
        OnEditItem();
        return TRUE;
    }
    return CPropertyPage::OnNotify(id, code);
}
