// Text and numbers at the command line's edge. Arguments and the terminal
// speak UTF-8; the documents store Windows-1252 bytes. Stored text is printed
// through Shown, so a crafted file cannot send control sequences to the
// terminal; text arguments are taken through TakeText, which refuses what
// the files cannot hold, as the editor's edits do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// Stored bytes for the terminal: UTF-8, control bytes as \xHH.
std::string Shown(const std::string& stored);
// A name given on the command line (a language, a share-relative file) as
// the program spells names: Windows-1252. One with no such form is kept as
// given, and so names nothing.
std::string NameArgument(const std::string& argument);

// A text argument as the files store it. Line breaks and tabs become blanks
// (the texts are one line); other control characters and characters without
// a Windows-1252 byte are refused with a message naming them (false).
bool TakeText(const std::string& argument, const std::string& what, std::string& stored);

// UTF-8 text padded with blanks to `columns` characters (not bytes), so
// that letters beyond ASCII keep a table's columns straight.
std::string PadToColumns(const std::string& utf8, size_t columns);
// "1 entry", "2 entries".
std::string CountOf(size_t count, const char* one, const char* many);

// "--help" or "-h" before a "--" (after which every argument is a name)
// asks for a command's help, never names a file. main decides once, drops
// the "--", and the commands ask HelpRequested.
bool AsksForHelp(const std::vector<std::string>& args);
void DropEndOfOptions(std::vector<std::string>& args);
void SetHelpRequested(bool requested);
bool HelpRequested();

// The whole argument as a number from min to max ("0x" for hexadecimal when
// base is 0); false for anything else: a sign, blanks, trailing text, or a
// value out of range, however large.
bool ParseNumber(const std::string& text, unsigned long min, unsigned long max, int base, unsigned long& value);

// What show and list say of a menu's start item (counted from `first`, as
// the command's items are) and timeout, e.g. "item 3 after 5 s".
std::string StartText(uint16_t defaultSlot, uint16_t timeout, int first);
// Why --default and --timeout are refused for a loader file with another
// client program.
extern const char kForeignClient[];

}  // namespace cli
