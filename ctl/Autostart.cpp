#include "ctl/Autostart.h"

#include <system_error>

namespace keywright {
namespace {

namespace fs = std::filesystem;

// One argument of an Exec line, quoted where the desktop entry rules ask:
// reserved characters put it in double quotes, inside which the double quote,
// backtick, dollar and backslash take a backslash; "%" is doubled anywhere.
// The line is itself a string value, whose own escape doubles every backslash
// again.
std::string ExecArgument(const std::string& argument) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.find_first_of(kReserved) != std::string::npos;
    std::string out;
    if (quote)
        out += '"';
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += "\\\\";
        if (c == '\\')
            out += "\\\\";
        else if (c == '%')
            out += "%%";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    if (quote)
        out += '"';
    return out;
}

} // namespace

std::optional<fs::path> AutostartEntryPath(const FolderSurroundings& surroundings,
                                           std::string& problem) {
    const std::optional<fs::path> config = UserConfigFolder(surroundings, problem);
    if (!config)
        return std::nullopt;
    return *config / "autostart" / "keywright.desktop";
}

std::string AutostartEntryText(const fs::path& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Keywright\n"
           "Comment=Key assignments and macros of the keyboard, from login\n"
           "Exec=" +
           ExecArgument(program.string()) +
           " -hid\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEntryExists(const fs::path& entry) {
    std::error_code error;
    return fs::exists(entry, error);
}

platform::FileResult WriteAutostartEntry(const fs::path& entry, const fs::path& program) {
    if (platform::FileResult made = CreatePrivateFolders(entry.parent_path()); !made)
        return made;
    return platform::ReplaceFileAtomically(entry, AutostartEntryText(program));
}

platform::FileResult RemoveAutostartEntry(const fs::path& entry) {
    std::error_code error;
    if (!fs::remove(entry, error) && error)
        return platform::FileResult::Failure("cannot remove " + entry.string() + ": " +
                                             error.message());
    return {};
}

fs::path WindowProgramPath() {
    return platform::ExecutableFolder() / "keywright";
}

} // namespace keywright
