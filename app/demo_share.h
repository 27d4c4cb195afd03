// The demo share of `menvolt --demo`: a small installation share in a fresh
// temporary folder, written with the editor's own documents, so the editor
// can be tried without an installation server.
#pragma once

#include <filesystem>
#include <string>

// Builds the share, publishes it as \\<computer>\RemInst and returns its
// folder; an empty path when the folder could not be made. With a running
// QApplication, an interrupt or termination signal then closes the editor's
// windows, so that the caller can remove the folder as after a normal end.
std::filesystem::path BuildDemoShare(const std::string& computer);
