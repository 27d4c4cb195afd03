#include "res/string_table.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace res {

namespace {

struct Entry {
    unsigned id;
    const char* text;
};

// Ordered by identifier.
constexpr Entry kStrings[] = {
    {IDS_APP_VERSION, "v1.01 build 2"},
    {IDS_NOTICE1, "Copyright (C) 2026 The Menvolt developers."},
    {IDS_NOTICE2, "Boot menus for network installation servers."},
    {IDS_APP_DESCRIPTION, "Menvolt boot menu editor"},
    {IDS_WRONG_PLATFORM,
     "This program is designed to be used on a Windows 2000 Server with Remote Installation Services "
     "installed."},
    {AFX_IDS_APP_TITLE, "Menvolt"},
    {IDS_BAD_FORMAT, "Unrecognized image file format."},
    {IDS_IMAGE_NOT_FOUND, "Image file not found."},
    {IDS_INVALID_PATH, "Invalid path."},
    {IDS_WRITE_PROTECTED, "File write protected."},
    {IDS_OPEN_ERROR, "File open error"},
    {IDS_BAD_CHECKSUM, "Bad data checksum in image file."},
    {IDS_NO_IMAGE_FILE, "No image file specified."},
    {IDS_LOADER_TOO_LARGE, "This change would make the loader file larger than 8192 bytes."},
    {IDS_START_FOREIGN_CLIENT,
     "This loader file carries another client program than Menvolt's, which may not count down: "
     "the start item and the timeout are shown but cannot be changed."},
    {IDS_START_TIMEOUT_RANGE, "Enter a number of seconds from 0 to 3600, or leave the box empty to wait for a key."},
    {IDS_COUNTDOWN_OFF_REMOVED,
     "The item the menu started on after its countdown was removed, so the countdown is now off and the menu "
     "waits for a key."},
    {IDS_COUNTDOWN_OFF_NO_ITEM,
     "This loader file's start item names no item of the menu, so its countdown is shown as off; once saved, the "
     "menu waits for a key."},
    {IDS_HELP_TOO_LONG, "The help text is too long for the client screen."},
    {IDS_NAME_TOO_LONG,
     "The server path and the image file name together are longer than the 127 characters a client can "
     "request."},
    {IDS_SETUP_TITLE, "Setup Item"},
    {IDS_SETUP_SUBTITLE, "Select the type of menu item you want to create."},
    {IDS_WRITE_ERROR, "The file could not be written completely; it was left as it was."},
    {IDS_WIZARD_TITLE, "Create Menu Wizard"},
    {IDS_SIFINFO_TITLE, "Friendly Description and Help Text"},
    {IDS_SIFINFO_SUBTITLE, "Provide a friendly description and help text for this image."},
    {IDS_IMAGE_TITLE, "Image File"},
    {IDS_IMAGE_SUBTITLE, "Specify the image file for this menu item."},
    {IDS_RIS_NOT_FOUND, "RIS folder not found."},
    {IDS_NO_IMAGE_NAME, "Please specify an image file name."},
    {IDS_PATH_TOO_LONG, "The path is longer than 255 characters."},
    {IDS_NO_LANGUAGES, "No installation language folders were found in the Setup folder of the share."},
    {IDS_OUTSIDE_SHARE, "The file lies outside the share and was left alone."},
    {IDS_LOADER_NOT_SAVED, "The loader file could not be read, so it was not written."},
    {IDS_NEWER_VERSION, "This loader file is a newer version (v%X.%02X) then is supported."},
    {IDS_COPY_FAILED, "The image file could not be copied to the menu folder."},
    {IDS_MENU_LIMIT, "Menus are limited to 8 items."},
    {IDS_NEXT_OR_FINISH, "Press Next to create the next submenu or Finish if done."},
    {IDS_SUBMENU_N, "Submenu %u"},
    {IDS_REMOVE_QUESTION, "Are you sure you want to remove the \"%s\" item?"},
    {IDS_IMAGE_MISSING_QUESTION,
     "The specified image file does not exist.  Do you want to save this entry anyway?"},
    {IDS_LIBRARY_INCOMPATIBLE, "This program is not compatible with the version of ZARUDIR.DLL"},
    {IDS_LIBRARY_TOO_OLD, "This program requires a newer version of the ZARUDIR.DLL."},
    {IDS_PATH_NOT_FOUND, "Unable to find path: %s"},
    {IDS_REMOVE_FAILED, "Unable to remove file %s\nerror %u"},
    {IDS_FILE_READ_ERROR, "File read error"},
    {IDS_DELETE_LAST_ITEM, "You can not delete the last menu item."},
    {IDS_DELETE_ITEM_QUESTION, "Are you sure you want to delete the selected item?"},
    {IDS_ONE_ITEM_EDIT_QUESTION,
     "There is only one item for this submenu.  If you wish to save this menu,\n"
     "it will be saved as a single menu, not as a submenu.\n\n"
     "Do you wish to save this as a single menu?"},
    {IDS_ONE_ITEM_CREATE_QUESTION,
     "You have only specified one item for this submenu.  If you wish to finish this menu,\n"
     "it will be saved as a single menu, not as a submenu.\n\n"
     "Do you wish to save this as a single menu?"},
    {IDS_IMAGE_NAME_TAKEN,
     "A different file of this name is already in the image folder and was kept; the menu item will boot "
     "that file:\n\n%s"},
    {IDS_IMAGE_NOT_CREATED, "The image file %s could not be created."},
    {IDS_LINK_ERROR, "Unable to open hyperlink:\n\n%s"},
    {IDS_LOADER_NEWER, "The loader file is of a newer version."},
    {IDS_EDIT_MENU, "Edit Menu"},
    {IDS_DELETE_ITEM, "Delete Item"},
    {IDS_EDIT_SUBMENU, "Edit Submenu"},
    {IDS_CREATE_SUBMENU, "Create Submenu"},
    {IDS_TEST_BOOT, "Test Boot"},
    {IDS_DISK_FULL, "There is not enough space on the disk."},
    {IDS_NO_DOUBLE_QUOTE,
     "The description and the help text are stored between double quotes in the OSChooser file, "
     "so they cannot hold a double quote (\"). Use an apostrophe (') instead."},
    {IDS_SIF_NOT_TEXT,
     "This OSChooser file is not 8-bit text (it holds NUL bytes or is UTF-16); it was left unchanged."},
    {IDS_SIF_NO_SECTION, "This OSChooser file has no [OSChooser] section; it was left unchanged."},
    {IDS_MISSING_CHARACTER,
     "The menus store text in the Windows-1252 code page, which has no place for this character: %s."},
    {IDS_MISSING_CHARACTERS,
     "The menus store text in the Windows-1252 code page, which has no place for these characters: %s."},
    {IDS_NOT_UTF8_BYTE, "a byte that is not UTF-8"},
    {IDS_FOLDER_OUTSIDE_SHARE, "The folder %s leads outside the share; it was left alone."},
    {IDS_LOADER_KEPT, "The file %s was kept: %s"},
    {IDS_FILE_NOT_FOUND, "File not found."},
    {IDS_REMOVE_REFUSED, "Nothing was removed: %s"},
    {IDS_REMOVE_HALF_DONE,
     "The removal is half-done: %s was removed, but its loader file %s could not be, and the OSChooser file could "
     "not be put back (%s). The loader file stays, named by no entry. %s"},
    {IDS_EDIT_REFUSED, "Nothing was changed: %s"},
    {IDS_CREATE_REFUSED, "Nothing was created: %s"},
    {IDS_READ_DENIED, "The file cannot be read: access denied."},
    {IDS_NOT_A_FILE, "This is a folder, pipe or device, not a file."},
    {IDS_EDIT_UNDONE, "The loader file could not be written; %s was put back as it was."},
    {IDS_CREATE_HALF_DONE,
     "The new entry is half-done: its loader file %s was written, but its OSChooser file could not be, and the "
     "loader file could not be removed again (%s). It stays, named by no entry. %s"},
    {IDS_EDIT_HALF_DONE,
     "The change is half-done: %s holds the new values, but the loader file %s could not be written and keeps its "
     "old ones, and the OSChooser file could not be put back as it was (%s). %s"},
    {IDS_REMOVE_UNDONE, "The loader file %s could not be removed; %s was put back as it was."},
    {IDS_SHARE_LOOKED_IN_OPTION, "It looked in %s, the folder given with --share, %s."},
    {IDS_SHARE_LOOKED_IN_SAMBA,
     "It looked in %s, the path of the [REMINST] share in the Samba configuration file %s, %s."},
    {IDS_SHARE_NOT_IN_SAMBA, "It looked for a [REMINST] share in the Samba configuration file %s and found none."},
    {IDS_SAMBA_CONFIG_MISSING, "It looked for the share's folder in the Samba configuration file %s, %s."},
    {IDS_FOLDER_MISSING, "which does not exist"},
    {IDS_FOLDER_NOT_A_FOLDER, "which is not a folder"},
    {IDS_FOLDER_UNREADABLE, "which cannot be read"},
    {IDS_FOLDER_EMPTY, "which is empty"},
    {IDS_FOLDER_NO_SETUP, "which holds no Setup folder"},
    {IDS_FOLDER_NO_LANGUAGE, "whose Setup folder holds no language folder"},
    {IDS_SHARE_MUST_HOLD,
     "A share holds its menus in Setup\\<language>\\Tools, for example Setup\\English\\Tools."},
    {IDS_SHARE_ELSEWHERE,
     "To use another folder, start the program as \"menvolt --share FOLDER\"; \"menvolt --demo\" opens a demo "
     "share."},
    {IDS_NO_QEMU_WINDOW,
     "QEMU cannot open a window here: neither its gtk nor its sdl display module is installed. Install the Debian "
     "package qemu-system-gui (apt install qemu-system-gui) and try again."},
    {IDS_QEMU_ENDED,
     "QEMU ended at once (exit status %d) without showing its %s window; its own message is on the editor's "
     "standard error. If it names a missing module, install the Debian package qemu-system-gui."},
    {IDS_NO_LOADER_NAMED, "This entry names no loader file (its LaunchFile is empty), so there is nothing to boot."},
    {IDS_LOADER_MISSING,
     "The loader file %s is missing, so there is nothing to boot. OK in Properties makes it again from the "
     "template."},
    {IDS_LOADER_MISSING_PAGE,
     "The loader file %s is missing: OK writes it again from the template, with the image named above."},
    {IDS_CHARACTER_NOT_STORED, "Character not stored"},
    {IDS_BOOTS_ON, "Boots on: %s"},
    {IDS_BOOTS_BIOS, "BIOS"},
    {IDS_BOOTS_UEFI, "UEFI x86-64"},
    {IDS_BOOTS_BIOS_AND_UEFI, "BIOS and UEFI x86-64"},
    {IDS_BOOTS_UEFI_ARM64, "UEFI ARM64"},
    {IDS_BOOTS_BIOS_AND_ARM64, "BIOS and UEFI ARM64"},
    {IDS_BOOTS_UEFI_BOTH, "UEFI x86-64 and ARM64"},
    {IDS_BOOTS_ALL, "BIOS, UEFI x86-64 and ARM64"},
    {IDS_BOOTS_NEITHER, "neither (no boot code found)"},
    {IDS_BOOTS_MISSING, "unknown (image file missing)"},
    {IDS_BOOTS_UNKNOWN, "unknown (image file cannot be read)"},
    {IDS_TEST_BOOT_BIOS, "&BIOS PC"},
    {IDS_TEST_BOOT_UEFI, "&UEFI PC"},
    {IDS_TEST_BOOT_SECURE_BOOT, "UEFI PC with &Secure Boot"},
    {IDS_TEST_BOOT_ARM64, "&ARM64 UEFI PC"},
    {IDS_BOOTS_UEFI_SIGNED, " (UEFI program signed)"},
    {IDS_BOOTS_UEFI_UNSIGNED, " (UEFI program not signed for Secure Boot)"},
};

}  // namespace

const char* LoadString(unsigned id) {
    for (const Entry& e : kStrings)
        if (e.id == id) return e.text;
    return "";
}

std::string FormatString(unsigned id, ...) {
    const char* format = LoadString(id);
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buffer(static_cast<size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

}  // namespace res
