/* The menu screen and its keys, cell for cell the BIOS client's, with the
 * unattended-boot countdown. */
#include "loader/efi/menvolt_efi.h"

#define ONE_SECOND 10000000 /* timer periods are in 100 ns */

static UINTN Remaining(const Loader *ldr, UINTN offset) { return ldr->size - offset; }

static void DrawFixedText(const Loader *ldr, UINTN row, UINTN column, UINTN at, UINTN end, UINT8 attr) {
    DrawText(row, column, ldr->data + at, end - at, attr);
}

static void DrawItems(const Loader *ldr, UINTN selected) {
    for (UINTN i = 0; i < ldr->count; ++i) {
        UINTN text = SlotString(ldr, i, SLOT_DESCRIPTION);
        if (ldr->data[text] == 0) text = SlotString(ldr, i, SLOT_IMAGE);
        UINT8 line[SCREEN_COLUMNS + 3];
        UINTN n = 0;
        line[n++] = ' ';
        for (UINTN k = text; k < ldr->size && ldr->data[k] && n < SCREEN_COLUMNS; ++k) line[n++] = ldr->data[k];
        line[n++] = ' ';
        DrawText(ITEM_ROW + i, ITEM_COLUMN, line, n, i == selected ? ldr->highlight : ldr->normal);
    }
}

static void DrawHelp(const Loader *ldr, UINTN selected) {
    for (UINTN row = HELP_ROW; row <= HELP_LAST_ROW; ++row)
        DrawBlanks(row, HELP_LEFT, HELP_RIGHT - HELP_LEFT + 1, ldr->normal);
    DrawFixedText(ldr, HELP_ROW, HELP_LEFT, LDR_TEXT_DESCRIPTION, LDR_SELECTED, ldr->normal);
    UINTN help = SlotString(ldr, selected, SLOT_HELP);
    DrawText(HELP_ROW, HELP_COLUMN, ldr->data + help, Remaining(ldr, help), ldr->normal);
}

static void DrawCountdown(const Loader *ldr, UINTN seconds, BOOLEAN blank) {
    UINT8 field[COUNTDOWN_WIDTH + 1];
    CHAR16 digits[8];
    SPrint(digits, sizeof digits, L"%d", seconds);
    for (UINTN i = 0; i < COUNTDOWN_WIDTH; ++i) field[i] = (!blank && i < StrLen(digits)) ? (UINT8)digits[i] : ' ';
    field[COUNTDOWN_WIDTH] = 0;
    DrawText(COUNTDOWN_ROW, COUNTDOWN_COLUMN, field, COUNTDOWN_WIDTH, ldr->normal);
}

static void DrawScreen(const Loader *ldr) {
    ClearScreen(ldr->normal);
    UINTN title = LoaderString(ldr, HDR_TITLE);
    DrawText(0, 0, ldr->data + title, Remaining(ldr, title), ldr->highlight);
    DrawFixedText(ldr, SCREEN_LAST_ROW, 0, LDR_TEXT_CONTINUE, LDR_TEXT_DESCRIPTION, ldr->highlight);
    DrawFixedText(ldr, ARROWS_ROW, ARROWS_COLUMN, LDR_TEXT_ARROWS, LDR_TEXT_CONTINUE, ldr->normal);
}

UINTN RunMenu(const Loader *ldr, UINTN selected, UINTN *timeout) {
    DrawScreen(ldr);
    EFI_EVENT tick = NULL;
    if (*timeout) {
        if (EFI_ERROR(uefi_call_wrapper(BS->CreateEvent, 5, EVT_TIMER, 0, NULL, NULL, &tick)) ||
            EFI_ERROR(uefi_call_wrapper(BS->SetTimer, 3, tick, TimerPeriodic, ONE_SECOND)))
            *timeout = 0; /* no timer: wait for a key, never boot unasked too early */
        else
            DrawCountdown(ldr, *timeout, FALSE);
    }
    for (;;) {
        DrawItems(ldr, selected);
        DrawHelp(ldr, selected);
        for (;;) {
            EFI_EVENT events[2] = {ST->ConIn->WaitForKey, tick};
            UINTN which = 0;
            uefi_call_wrapper(BS->WaitForEvent, 3, *timeout ? 2 : 1, events, &which);
            if (which == 1) {
                if (--*timeout == 0) goto taken;
                DrawCountdown(ldr, *timeout, FALSE);
                continue;
            }
            EFI_INPUT_KEY key;
            if (EFI_ERROR(uefi_call_wrapper(ST->ConIn->ReadKeyStroke, 2, ST->ConIn, &key))) continue;
            if (*timeout) {
                /* Any key ends the countdown for good. */
                *timeout = 0;
                DrawCountdown(ldr, 0, TRUE);
            }
            if (key.UnicodeChar == CHAR_CARRIAGE_RETURN || key.UnicodeChar == L' ') goto taken;
            if (key.UnicodeChar >= L'1' && key.UnicodeChar < L'1' + ldr->count) {
                selected = key.UnicodeChar - L'1';
                goto taken;
            }
            if (key.ScanCode == SCAN_UP) {
                selected = selected ? selected - 1 : ldr->count - 1;
                break;
            }
            if (key.ScanCode == SCAN_DOWN) {
                selected = selected + 1 < ldr->count ? selected + 1 : 0;
                break;
            }
        }
    }
taken:
    if (tick) uefi_call_wrapper(BS->CloseEvent, 1, tick);
    *timeout = 0;
    return selected;
}
