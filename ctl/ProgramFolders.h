#pragma once

#include "platform/Files.h"

#include <filesystem>
#include <optional>
#include <string>

namespace keywright {

// Where a copy of Keywright finds its resources and keeps its settings. The
// window program and keywright-ctl both follow this one rule, so the two
// always see the same files.
//
//  - A portable copy, whose executable's folder holds the resource package
//    (uires/, as in the build tree), keeps everything beside the executable.
//  - An installed copy (no uires/ beside the executable, but one in the data
//    folder of its prefix, <prefix>/share/keywright) reads its resources there
//    and keeps each user's settings in $XDG_CONFIG_HOME/keywright, or
//    ~/.config/keywright when that is unset, empty or not absolute. Users never
//    share settings, and nothing is written beside the executable, where a
//    user cannot write.
//  - A copy that is neither keeps everything beside the executable.
struct ProgramFolders {
    std::filesystem::path resources; // holds uires/; installed, also the shipped config.xml
    std::filesystem::path settings;  // config.xml and the files the program saves
    bool installed = false;          // resources from the data folder, not beside the executable
};

// What the rule looks at. CurrentFolderSurroundings reads the running
// process's; tests give their own.
struct FolderSurroundings {
    std::filesystem::path executableFolder;
    std::string xdgConfigHome; // empty when unset
    std::string home;          // empty when unset
};

FolderSurroundings CurrentFolderSurroundings();

// The data folder an installed copy whose executable lives in
// `executableFolder` reads its resources from (where the install puts them).
std::filesystem::path InstalledDataFolder(const std::filesystem::path& executableFolder);

// The user's configuration folder: $XDG_CONFIG_HOME, or ~/.config when that
// is unset, empty or not absolute. nullopt, with `problem` worded for the
// user, when HOME is not absolute either.
std::optional<std::filesystem::path> UserConfigFolder(const FolderSurroundings& surroundings,
                                                      std::string& problem);

// Creates `folder` and any missing parent; the folders made here are readable
// by their user only, existing ones keep their permissions. Another process
// making the same folder at the same time is no failure.
platform::FileResult CreatePrivateFolders(const std::filesystem::path& folder);

// The rule. nullopt, with `problem` worded for the user, only for an installed
// copy whose user has neither an absolute XDG_CONFIG_HOME nor an absolute HOME.
std::optional<ProgramFolders> LocateProgramFolders(const FolderSurroundings& surroundings,
                                                   std::string& problem);

// Makes an installed copy's settings folder ready: creates it and any missing
// parent, each readable by its user only, then copies the shipped config.xml
// there unless the folder already has one, so a user's edits are never
// replaced. A portable copy's folder is left as it is. The failure names the
// folder or file and why.
platform::FileResult PrepareSettingsFolder(const ProgramFolders& folders);

// The folders a run works with: the rule's, made ready; or, when `dir` (the
// --dir option) is not empty, the rule's resources with `dir` as the settings
// folder, taken as it is. nullopt with `problem` set when the rule has no
// folder or it cannot be made ready.
std::optional<ProgramFolders> ProgramFoldersFor(const std::filesystem::path& dir,
                                                std::string& problem);

} // namespace keywright
