// The keys a Windows user reaches for in the main window: Del removes the
// selected entry (asking first, as the Remove button does), Shift+F10 and
// the Menu key open the list's context menu, and Ctrl+Tab, Ctrl+Shift+Tab,
// Ctrl+Page Down and Ctrl+Page Up switch the tabs, as in a property sheet.
#pragma once

class CMainDlg;

void InstallMainWindowKeys(CMainDlg& dialog);
