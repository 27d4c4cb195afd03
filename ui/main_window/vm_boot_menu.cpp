#include "ui/main_window/vm_boot_menu.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include "platform/file_system.h"
#include "platform/framework/qt_text.h"
#include "platform/message_box.h"
#include "res/string_table.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "ui/main_window/main_dlg.h"
#include "vmboot/vm_boot.h"

void ShowEntryContextMenu(CMainDlg& owner, const QPoint& position) {
    QTreeWidgetItem* item = owner.m_list->itemAt(position);
    if (!item) return;
    int row = owner.m_list->indexOfTopLevelItem(item);
    QMenu menu(owner.m_list);
    QMenu* boot = menu.addMenu(QStringLiteral("&Test Boot"));
    QAction* bios = boot->addAction(framework::ToQt(res::LoadString(res::IDS_TEST_BOOT_BIOS)));
    QAction* uefi = boot->addAction(framework::ToQt(res::LoadString(res::IDS_TEST_BOOT_UEFI)));
    QAction* secure = boot->addAction(framework::ToQt(res::LoadString(res::IDS_TEST_BOOT_SECURE_BOOT)));
    QAction* arm64 = boot->addAction(framework::ToQt(res::LoadString(res::IDS_TEST_BOOT_ARM64)));
    // The first item is highlighted once the menu shows, so that Enter and
    // the arrows start from an item. A key Down does it as the keyboard
    // would: setActiveAction would also open the submenu and take the keys.
    QTimer::singleShot(0, &menu, [&menu] {
        if (menu.activeAction()) return;
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(&menu, &down);
    });
    QAction* chosen = menu.exec(owner.m_list->viewport()->mapToGlobal(position));
    if (chosen == bios) VmBootEntry(owner, row, TestPc::Bios);
    else if (chosen == uefi) VmBootEntry(owner, row, TestPc::Uefi);
    else if (chosen == secure) VmBootEntry(owner, row, TestPc::SecureBoot);
    else if (chosen == arm64) VmBootEntry(owner, row, TestPc::Arm64);
}

void VmBootEntry(CMainDlg& owner, int row, TestPc pc) {
    const std::string caption = res::LoadString(res::IDS_TEST_BOOT);
    const bool uefi = pc != TestPc::Bios;
    std::string missing = vmboot::MissingEmulator(uefi, pc == TestPc::SecureBoot, pc == TestPc::Arm64);
    if (!missing.empty()) {
        platform::MessageBox(owner.GetSafeHwnd(), missing, caption, platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    if (!owner.m_pStore || row < 0 || row >= owner.m_pStore->GetCount()) return;
    MenuEntry entry(owner.m_pStore->GetRisRoot());
    entry.Open(owner.m_pStore->Row(row).sifPath);
    if (!entry.m_loaderOpened) {
        // Said of the loader, not of an image: a missing or unnamed loader
        // would otherwise read "Image file not found." or "No image file
        // specified.".
        std::string why = entry.m_loader.m_error ? entry.m_loader.ErrorText()
                                                 : res::LoadString(res::IDS_LOADER_NEWER);
        if (entry.m_sif.GetLaunchFile().empty()) why = res::LoadString(res::IDS_NO_LOADER_NAMED);
        else if (entry.m_loaderMissing)
            why = res::FormatString(res::IDS_LOADER_MISSING, entry.m_loader.GetPath().c_str());
        platform::MessageBox(owner.GetSafeHwnd(), why, caption, platform::MB_OK | platform::MB_ICONERROR);
        return;
    }
    vmboot::Request request;
    request.loaderHostPath = platform::Resolve(entry.m_loader.GetPath()).host.string();
    request.folderHostPath = platform::Resolve(entry.m_loader.GetFolder()).host.string();
    request.serverPath = entry.m_loader.GetServerPath();
    request.chainHostPath = vmboot::FindChainProgram();
    request.uefi = uefi;
    request.efiHostPath = vmboot::FindEfiProgram(pc == TestPc::Arm64);
    request.secureBoot = pc == TestPc::SecureBoot;
    request.arm64 = pc == TestPc::Arm64;
    request.headless = false;
    vmboot::Result result = vmboot::Run(request);
    if (!result.ok)
        platform::MessageBox(owner.GetSafeHwnd(), result.message, caption, platform::MB_OK | platform::MB_ICONERROR);
}
