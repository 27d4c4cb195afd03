// The main list's context menu: "Test Boot" starts the selected entry in a
// virtual PC window, a BIOS PC, a UEFI PC or a UEFI PC with Secure Boot on
// (trusting the site key) or a 64-bit ARM UEFI PC, as a client on the network
// would see it. It is a context menu so the main window keeps its designed layout.
#pragma once

class CMainDlg;
class QPoint;

// Shows the menu for the row under `position` (list viewport coordinates).
void ShowEntryContextMenu(CMainDlg& owner, const QPoint& position);

enum class TestPc { Bios, Uefi, SecureBoot, Arm64 };

// Boots the entry of `row` in a QEMU window, or says why it cannot.
void VmBootEntry(CMainDlg& owner, int row, TestPc pc = TestPc::Bios);
