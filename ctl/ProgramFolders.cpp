#include "ctl/ProgramFolders.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#ifndef KEYWRIGHT_DATA_FROM_BIN
#error "KEYWRIGHT_DATA_FROM_BIN: the data folder relative to the executables' folder, from CMake"
#endif

namespace keywright {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

FolderSurroundings CurrentFolderSurroundings() {
    return {platform::ExecutableFolder(), FromEnvironment("XDG_CONFIG_HOME"),
            FromEnvironment("HOME")};
}

platform::FileResult CreatePrivateFolders(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error))
        return {};
    if (fs::exists(folder, error))
        return platform::FileResult::Failure(folder.string() + " exists and is not a folder");
    if (folder.has_parent_path() && folder.parent_path() != folder) {
        if (platform::FileResult parent = CreatePrivateFolders(folder.parent_path()); !parent)
            return parent;
    }
    if (!fs::create_directory(folder, error) && !fs::is_directory(folder))
        return platform::FileResult::Failure("cannot create " + folder.string() + ": " +
                                             error.message());
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    return {};
}

std::optional<fs::path> UserConfigFolder(const FolderSurroundings& surroundings,
                                         std::string& problem) {
    // Relative values are ignored, as the XDG base directory rules ask: they
    // would name a different folder from every working directory.
    const fs::path config = surroundings.xdgConfigHome;
    if (config.is_absolute())
        return config.lexically_normal();
    const fs::path home = surroundings.home;
    if (!home.is_absolute()) {
        problem = "no configuration folder: neither XDG_CONFIG_HOME nor HOME is an "
                  "absolute folder name";
        return std::nullopt;
    }
    return (home / ".config").lexically_normal();
}

fs::path InstalledDataFolder(const fs::path& executableFolder) {
    return (executableFolder / KEYWRIGHT_DATA_FROM_BIN).lexically_normal();
}

std::optional<ProgramFolders> LocateProgramFolders(const FolderSurroundings& surroundings,
                                                   std::string& problem) {
    const fs::path& beside = surroundings.executableFolder;
    const fs::path data = InstalledDataFolder(beside);
    if (IsFolder(beside / "uires") || !IsFolder(data / "uires"))
        return ProgramFolders{beside, beside, false};

    const std::optional<fs::path> config = UserConfigFolder(surroundings, problem);
    if (!config)
        return std::nullopt;
    return ProgramFolders{data, (*config / "keywright").lexically_normal(), true};
}

platform::FileResult PrepareSettingsFolder(const ProgramFolders& folders) {
    if (!folders.installed)
        return {};
    if (platform::FileResult made = CreatePrivateFolders(folders.settings); !made)
        return made;

    const fs::path config = folders.settings / "config.xml";
    std::error_code error;
    if (fs::exists(config, error) || fs::is_symlink(config, error))
        return {};
    const fs::path shipped = folders.resources / "config.xml";
    std::ifstream in(shipped, std::ios::binary);
    if (!in)
        return {}; // nothing shipped: the program runs on its defaults
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return platform::FileResult::Failure("cannot read " + shipped.string());
    return platform::ReplaceFileAtomically(config, bytes.str());
}

std::optional<ProgramFolders> ProgramFoldersFor(const fs::path& dir, std::string& problem) {
    std::optional<ProgramFolders> folders =
        LocateProgramFolders(CurrentFolderSurroundings(), problem);
    if (!dir.empty()) {
        // --dir names a folder the user chose: it is used as it is, also when
        // the rule alone would have no settings folder.
        const fs::path beside = platform::ExecutableFolder();
        ProgramFolders chosen =
            folders ? *folders : ProgramFolders{InstalledDataFolder(beside), {}, true};
        chosen.settings = dir;
        problem.clear();
        return chosen;
    }
    if (!folders)
        return std::nullopt;
    if (platform::FileResult ready = PrepareSettingsFolder(*folders); !ready) {
        problem = ready.error;
        return std::nullopt;
    }
    return folders;
}

} // namespace keywright
