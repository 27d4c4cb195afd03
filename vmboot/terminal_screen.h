// The text screen of a UEFI PC as its firmware mirrors it to the serial
// port: a VT100 byte stream (cursor moves, erases, colours) played onto
// 80 x 25 cells. A UEFI PC has no text buffer at B8000h to read instead.
#pragma once

#include <string>
#include <vector>

namespace vmboot {

// The 25 rows of the screen the stream leaves, trailing blanks cut; a
// character outside printable ASCII shows as '.'.
std::vector<std::string> TerminalRows(const std::string& stream);

}  // namespace vmboot
