// The demo share of `menvolt --demo`: a small installation share in a fresh
// temporary folder, written with the editor's own documents, so the editor
// can be tried without an installation server.
#pragma once

#include <filesystem>
#include <string>

// Builds the share, publishes it as \\<computer>\RemInst and returns its
// folder; an empty path when the folder could not be made.
std::filesystem::path BuildDemoShare(const std::string& computer);

// Writes an empty 1.44 MB FAT12 diskette image (our own formatter, used when
// the image library cannot create one). Returns false when it cannot be written.
bool WriteBlankFloppyImage(const std::string& windowsPath);
