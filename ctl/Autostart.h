#pragma once

#include "ctl/ProgramFolders.h"

#include <filesystem>
#include <optional>
#include <string>

namespace keywright {

// Starting Keywright with the desktop session: a desktop entry in the user's
// autostart folder ($XDG_CONFIG_HOME/autostart/keywright.desktop) that starts
// the window program hidden ("keywright -hid"), so key assignments and macros
// work from login without the window in the way. The entry exists exactly
// when the start is on; desktops read it at login.

// The entry's path for this user; nullopt with `problem` set when the user
// has no configuration folder (UserConfigFolder).
std::optional<std::filesystem::path> AutostartEntryPath(const FolderSurroundings& surroundings,
                                                        std::string& problem);

// The entry's text, starting `program` (the window program's absolute path).
std::string AutostartEntryText(const std::filesystem::path& program);

bool AutostartEntryExists(const std::filesystem::path& entry);

// Writes the entry, making the autostart folder when it is missing; an
// existing entry is replaced, so it always starts this `program`.
platform::FileResult WriteAutostartEntry(const std::filesystem::path& entry,
                                         const std::filesystem::path& program);

// Removes the entry; one that is not there is no failure.
platform::FileResult RemoveAutostartEntry(const std::filesystem::path& entry);

// The window program beside the running executable, which the entry starts.
std::filesystem::path WindowProgramPath();

} // namespace keywright
