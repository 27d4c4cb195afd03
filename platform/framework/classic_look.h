// The look of the program: Qt's "Windows" style (the classic 3D controls,
// group box captions on the frame line, focus rectangles) with the colours of
// the Windows 2000 standard scheme, and the template font.
#pragma once

namespace framework {

// Call once after the QApplication exists; installs the dialog font too.
void InstallClassicLook();

}  // namespace framework
