/* Text output at fixed cells, as the BIOS client writes its screen: one
 * attribute per text, nothing drawn beyond the right or bottom edge. */
#include "loader/efi/menvolt_efi.h"
#include "loader/client_messages.h"

#define MESSAGE_ATTR EFI_LIGHTGRAY

static UINTN g_rows = SCREEN_LAST_ROW + 1;

/* 80 x 25 when the console offers it (mode 0 is 80 x 25 on every UEFI
 * console); else the mode with at least that size that is nearest to it. */
void ScreenInit(void) {
    EFI_SIMPLE_TEXT_OUT_PROTOCOL *out = ST->ConOut;
    INTN best = -1;
    UINTN best_cells = 0;
    for (INTN mode = 0; mode < out->Mode->MaxMode; ++mode) {
        UINTN columns = 0, rows = 0;
        if (EFI_ERROR(uefi_call_wrapper(out->QueryMode, 4, out, mode, &columns, &rows))) continue;
        if (columns < SCREEN_COLUMNS || rows < SCREEN_LAST_ROW + 1) continue;
        if (best < 0 || columns * rows < best_cells) {
            best = mode;
            best_cells = columns * rows;
            g_rows = rows;
        }
    }
    if (best >= 0 && best != out->Mode->Mode) uefi_call_wrapper(out->SetMode, 2, out, best);
    if (best >= 0 && best_cells != SCREEN_COLUMNS * (SCREEN_LAST_ROW + 1))
        Message(L"The console has no 80 x 25 mode; the menu uses the nearest larger one.\r\n");
    uefi_call_wrapper(out->EnableCursor, 2, out, FALSE);
}

static CHAR16 Glyph(UINT8 byte) {
    /* Texts are Windows-1252; its Latin-1 half is Unicode's. The rest of
     * the upper half and control characters have no safe glyph. */
    if ((byte >= 0x20 && byte < 0x7F) || byte >= 0xA0) return byte;
    return L'?';
}

/* The terminal scrolls when its very last cell is written, so that one
 * cell is left as the clear filled it. */
static UINTN CellsOnRow(UINTN row, UINTN column) {
    if (row > SCREEN_LAST_ROW || column >= SCREEN_COLUMNS) return 0;
    UINTN cells = SCREEN_COLUMNS - column;
    if (row + 1 == g_rows && cells > 0) --cells;
    return cells;
}

static void Put(UINTN row, UINTN column, const CHAR16 *text, UINT8 attr) {
    EFI_SIMPLE_TEXT_OUT_PROTOCOL *out = ST->ConOut;
    uefi_call_wrapper(out->SetAttribute, 2, out, attr);
    uefi_call_wrapper(out->SetCursorPosition, 3, out, column, row);
    uefi_call_wrapper(out->OutputString, 2, out, (CHAR16 *)text);
}

/* A line feed goes on at HELP_NEXT_COLUMN of the next row, as in the BIOS
 * client's help text. max_length bounds the bytes read. */
void DrawText(UINTN row, UINTN column, const UINT8 *text, UINTN max_length, UINT8 attr) {
    CHAR16 line[SCREEN_COLUMNS + 1];
    UINTN n = 0;
    UINTN room = CellsOnRow(row, column);
    for (UINTN i = 0; i <= max_length; ++i) {
        UINT8 byte = i < max_length ? text[i] : 0;
        if (byte == 0 || byte == '\n') {
            line[n] = 0;
            if (n) Put(row, column, line, attr);
            if (byte == 0) return;
            ++row;
            column = HELP_NEXT_COLUMN;
            n = 0;
            room = CellsOnRow(row, column);
            continue;
        }
        if (n < room) line[n++] = Glyph(byte);
    }
}

void DrawBlanks(UINTN row, UINTN column, UINTN count, UINT8 attr) {
    CHAR16 line[SCREEN_COLUMNS + 1];
    UINTN room = CellsOnRow(row, column);
    if (count > room) count = room;
    for (UINTN i = 0; i < count; ++i) line[i] = L' ';
    line[count] = 0;
    if (count) Put(row, column, line, attr);
}

void ClearScreen(UINT8 attr) {
    uefi_call_wrapper(ST->ConOut->SetAttribute, 2, ST->ConOut, attr);
    uefi_call_wrapper(ST->ConOut->ClearScreen, 1, ST->ConOut);
}

void Message(const CHAR16 *text) {
    uefi_call_wrapper(ST->ConOut->SetAttribute, 2, ST->ConOut, MESSAGE_ATTR);
    uefi_call_wrapper(ST->ConOut->OutputString, 2, ST->ConOut, (CHAR16 *)text);
}

/* Room for the longest formatted message: two file names of our own
 * boot file's length and the words around them. */
#define FORMATTED_MESSAGE_MAX 400

void MessageFormat(const CHAR16 *format, ...) {
    CHAR16 text[FORMATTED_MESSAGE_MAX];
    va_list args;
    va_start(args, format);
    VSPrint(text, sizeof text, format, args);
    va_end(args);
    Message(text);
}

void MessageHome(const CHAR16 *text) {
    uefi_call_wrapper(ST->ConOut->SetCursorPosition, 3, ST->ConOut, 0, 0);
    Message(text);
}

static void WaitAnyKey(void) {
    EFI_INPUT_KEY key;
    UINTN index;
    /* Keys typed before the message was on screen do not answer it. */
    while (!EFI_ERROR(uefi_call_wrapper(ST->ConIn->ReadKeyStroke, 2, ST->ConIn, &key))) {
    }
    for (;;) {
        uefi_call_wrapper(BS->WaitForEvent, 3, 1, &ST->ConIn->WaitForKey, &index);
        if (!EFI_ERROR(uefi_call_wrapper(ST->ConIn->ReadKeyStroke, 2, ST->ConIn, &key))) return;
    }
}

EFI_STATUS Report(EFI_STATUS status, const CHAR16 *text) {
    Message(text);
    Message(L"\r\n" CLIENT_MSG_PRESS_KEY L"\r\n");
    WaitAnyKey();
    return status;
}

/* The share of a file received so far (or its megabytes, while its size
 * is not known), behind "Transferring image file.." on row 0. */
#define PROGRESS_COLUMN 26
void ShowProgress(UINT64 received, UINT64 expected, UINTN *shown) {
    UINTN figure = expected ? (UINTN)(received * 100 / expected) : (UINTN)(received >> 20);
    if (figure + 1 == *shown) return;
    *shown = figure + 1;
    CHAR16 text[24];
    if (expected)
        SPrint(text, sizeof text, L" %d%%", figure);
    else
        SPrint(text, sizeof text, L" %d MB", figure);
    uefi_call_wrapper(ST->ConOut->SetAttribute, 2, ST->ConOut, EFI_LIGHTGRAY);
    uefi_call_wrapper(ST->ConOut->SetCursorPosition, 3, ST->ConOut, PROGRESS_COLUMN - 1, 0);
    uefi_call_wrapper(ST->ConOut->OutputString, 2, ST->ConOut, text);
    uefi_call_wrapper(ST->ConOut->SetCursorPosition, 3, ST->ConOut, 0, 1);
}
