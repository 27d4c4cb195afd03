// The demo share of `menvolt --demo`: a small installation share in a fresh
// temporary folder, written with the editor's own documents, so the editor
// can be tried without an installation server.
#pragma once

#include <filesystem>
#include <string>

// Builds the share, publishes it as \\<computer>\RemInst and returns its
// folder; an empty path when the folder could not be made.
std::filesystem::path BuildDemoShare(const std::string& computer);
