#pragma once

#include "settings/MacroSettings.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace keywright {

// Macro groups in a file of their own, to keep or to share: the assignment
// dialog's export and import buttons and `keywright-ctl macro` read and write
// it. docs/macro-group-file.md describes the format.
//
//   <?xml version="1.0"?>
//   <keywright-macros version="1">
//       <group name="Greeting">
//           <item code="458763" state="1" delay="80" name="H" />
//           ...
//
// Unlike the settings files, which take what they can from a damaged file, an
// imported file is checked whole: it comes from elsewhere, and a group that
// arrives half-read would play something its author never recorded.

// Why a group file was refused or could not be written, for people; empty
// when all went well.
struct GroupFileResult {
    bool ok = false;
    std::string message;
};

// Writes group `index` of `settings` to `path`, replacing the file at once
// (never a half-written file). Fails with a message when there is no such
// group or the file cannot be written.
GroupFileResult ExportMacroGroup(const MacroSettings& settings, std::size_t index,
                                 const std::filesystem::path& path);

// The groups of a group file, in file order; nothing and a message when the
// file is missing, too large, damaged or not a group file.
struct GroupFileContents {
    std::vector<MacroGroup> groups;
    std::string message; // empty when `groups` holds the whole file
};
GroupFileContents ReadMacroGroupFile(const std::filesystem::path& path);

// Appends every group of the file to `settings` after its own groups, names
// and steps exactly as written, and saves macro.xml. All or nothing: a file
// that is refused adds no group. `added` is the number of groups added.
struct GroupImportResult {
    std::size_t added = 0;
    std::string message; // why nothing was added, or why macro.xml was not written
};
GroupImportResult ImportMacroGroups(MacroSettings& settings, const std::filesystem::path& path);

} // namespace keywright
