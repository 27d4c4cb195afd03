// MenuEntry: the working pair of documents of one entry (its OSChooser file
// and its loader file) and the entry folder, alive for one store operation.
#pragma once

#include <filesystem>
#include <string>

#include "loader/loader_file.h"
#include "platform/win_types.h"
#include "store/sif_file.h"

class MenuEntry;

// The create wizard and the property sheet are user interface; the store
// reaches them through these hooks, which the user-interface layer installs.
using CreateWizardRunner = BOOL (*)(MenuEntry& entry, const std::string& folder);
using PropertySheetRunner = BOOL (*)(MenuEntry& entry);

class MenuEntry {
public:
    // A new entry: the OSChooser template and a loader from the built-in
    // template. `risRoot` is the share root the entry's LaunchFile is
    // relative to.
    explicit MenuEntry(const std::string& risRoot);

    // Reads an OSChooser file and the loader it names. FALSE when the
    // OSChooser file cannot be read (the loader stays new). A LaunchFile that
    // leads outside the share is not followed.
    BOOL Open(const std::string& sifPath);

    // First free loader name in m_folder (tool<N>.ldr) and a matching
    // OSChooser name ("templates\tool<N>.sif", with "_" added while taken).
    void AllocateFileNames(std::string& loaderName, std::string& sifName) const;

    // Why not every file that OK in the property sheet (the OSChooser file
    // and the loader file) or, with `createFolder`, Finish in the wizard
    // (a new loader there and a new OSChooser file in its templates folder)
    // would write could be written now; "" when all can. Checked before
    // anything is written, so that a change is made whole or not at all.
    std::string WriteProblem(const std::string& createFolder = "") const;

    BOOL RunCreateWizard(const std::string& folder);
    BOOL RunPropertySheet();

    static void SetRunners(CreateWizardRunner createWizard, PropertySheetRunner propertySheet);

    SifFile m_sif;
    LoaderFile m_loader;
    std::string m_folder;
    std::string m_risRoot;
    // TRUE when Open read the loader file the LaunchFile names.
    BOOL m_loaderOpened = FALSE;
    // TRUE when that file does not exist (its folder does): there is nothing
    // on disk to lose, so an edit may create it (StartMissingLoader).
    BOOL m_loaderMissing = FALSE;
};

// True when a LaunchFile value names a file inside the share: relative (no
// drive, no UNC root) and, as the file layer reaches it, not led out of the
// share by ".." or a link.
bool IsInsideShare(const std::string& risRoot, const std::string& relativePath);

// Why `path` could not be written now, for the user ("" when it could):
// the folder or the file is write-protected, or another program holds it.
std::string WhyNotWritable(const std::string& path);
