// Builds installation shares for the editor tests: language folders, and
// entries written with the editor's own documents.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace menvolt_test {

// "\\TESTHOST\RemInst\"
std::string Root();
// The entry folder of a language and tab, "...\Setup\<lang>\Tools\Zent\i386\".
std::string EntryFolder(const std::string& language, int tab = 0);

// Setup\<language>, with the entry folder chain of tab 0 when `withChain`.
void MakeLanguage(const menvolt_test::TempShare& share, const std::string& language, bool withChain = true);

// Writes a loader with `items` items as `loaderName` in the entry folder of
// tab 0 (nothing when loaderName is empty).
void WriteLoader(const std::string& language, const std::string& loaderName, int items);
// Writes templates\<sifName> with the description and LaunchFile given.
void WriteSif(const std::string& language, const std::string& sifName, const std::string& description,
              const std::string& launchFile);
// Both, with LaunchFile pointing at the loader.
void WriteEntry(const std::string& language, const std::string& number, const std::string& description,
                int items);

// The host path of a Windows path under the share.
std::filesystem::path Host(const menvolt_test::TempShare& share, const std::string& relative);

}  // namespace menvolt_test
