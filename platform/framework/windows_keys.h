// Keys that behave as on Windows in every window of the program.
#pragma once

namespace framework {

// Alt with a letter or digit that no mnemonic answers beeps and types
// nothing (the toolkit would type the letter into the focused field).
void InstallWindowsKeys();

}  // namespace framework
