// keywright-ctl: Keywright's command-line companion. It works on the same
// settings files and talks to the keyboard with the same code as the program.

#include "ctl/Arguments.h"
#include "ctl/AssignCli.h"
#include "ctl/Autostart.h"
#include "ctl/KeyboardCli.h"
#include "ctl/MacroCli.h"
#include "ctl/ProgramFolders.h"
#include "ctl/ProgramOptions.h"
#include "ctl/RunCli.h"
#include "ctl/SettingsJson.h"
#include "settings/SettingsRegistry.h"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::ctl {

constexpr const char* kUsageHead = R"(usage: keywright-ctl [options] <command> [arguments]

settings:
  settings dump                 print every settings object of the folder as JSON
  settings normalize            rewrite the folder's settings files in canonical form

keyboard:
  list                          the supported keyboards found: path, table row, firmware
  version                       the keyboard's firmware version (major.minor)
  effect N [--brightness B] [--speed S] [--direction D] [--selection X]
                                store main effect N (0-19) in ledeffect.xml and send it
  side M [--level L]            store side-light mode M (0-11) in sidemodel.xml and send it
  replay                        send the current effect as stored, with direction and selection
  factory-reset                 tell the keyboard to restore its factory settings

key assignments (record.xml; KEY and K by catalogue name such as F1 or A, or by hex code):
  assign KEY --key K            KEY acts as key K
  assign KEY --media NAME       KEY acts as a media key of config.xml
  assign KEY --combo NAME       KEY plays a key combination of config.xml
  assign KEY --macro GROUP [--play N] [--repeat R]
                                KEY plays a macro group of macro.xml; N the playback mode:
                                2 R times (default), 3 while held, 4 until pressed again,
                                5 until another key, 6 until any key, 8 once; R default 1
  unassign KEY                  KEY acts as itself again
  assignments [--json]          one line per assigned key, or the records as JSON

macro groups (macro.xml; GROUP by name, or by its number in the list):
  macro list                    one line per group: number, name, steps
  macro export GROUP FILE       write the group to FILE, to keep or to share
  macro import FILE             add the groups of such a file after the folder's own

key engine:
  keys                          print the key events the keyboard filter reports, until
                                interrupted: "down 07:0004 A" (with --simulate: a few scripted keys)
  send CODE...                  tap each key code (hex, 0x70004 is A) on the virtual output device
  run [--sim-keys FILE]         the key engine without the window, on record.xml and macro.xml
                                (reloaded when they change), until interrupted; with --simulate,
                                FILE is a script of lines "F1 down", "30ms", "F1 up" played into
                                the simulated filter, and run ends when it and its macros are done

desktop session:
  autostart [on|off]            start Keywright hidden (keywright -hid) with the desktop session,
                                or no longer; without on or off, print which it is

options:
)";

constexpr const char* kUsageTail = R"(  --help, -h          print this text
  --version           print Keywright's version

exit codes: 0 done, 1 failed, 2 bad arguments, 3 no keyboard (or filter, or virtual device),
            4 keyboard not accessible
)";

std::string UsageText() {
    return std::string(kUsageHead) + kProgramOptionsHelp + kUsageTail;
}

int Usage(const std::string& problem) {
    std::cerr << "keywright-ctl: " << problem << "\n\n" << UsageText();
    return kUsage;
}

namespace {

int Dump(const std::filesystem::path& dir) {
    // Read-only: loading a folder with missing lighting files must not create them here.
    SettingsRegistry registry(dir, SaveMode::ReadOnly);
    registry.LoadAll();
    std::cout << SettingsToJson(registry).dump(2, ' ', false,
                                               nlohmann::json::error_handler_t::replace)
              << "\n";
    return kOk;
}

// Saves a file that loaded; leaves a missing one missing and refuses to
// overwrite one that could not be read, so nothing of the user's is replaced.
template <typename Store>
bool Rewrite(Store& store, const char* name) {
    const XmlFile& file = store.File();
    switch (file.Status()) {
    case LoadStatus::Missing:
        std::cout << name << ": missing, left missing\n";
        return true;
    case LoadStatus::Ok:
        if (!store.Save())
            return false;
        std::cout << name << ": rewritten\n";
        return true;
    case LoadStatus::Unreadable:
    case LoadStatus::Malformed:
        std::cout << name << ": left unchanged: " << file.Error() << "\n";
        return false;
    }
    return false;
}

// The lighting tables repair themselves at load, as at start-up: an unusable
// file is replaced by the defaults (the old one kept as .bad).
template <typename Table>
bool RewriteLighting(Table& table, const char* name) {
    const XmlFile& file = table.File();
    if (file.Status() == LoadStatus::Ok) {
        if (!table.Save())
            return false;
        std::cout << name << ": rewritten\n";
    } else if (file.Status() == LoadStatus::Missing) {
        std::cout << name << ": missing, created with defaults\n";
    } else {
        std::cout << name << ": " << file.Error() << "; replaced by defaults\n";
    }
    return true;
}

int Normalize(const std::filesystem::path& dir) {
    SettingsRegistry registry(dir);
    registry.LoadAll();
    bool ok = Rewrite(registry.GetMacroSettings(), "macro.xml");
    ok = Rewrite(registry.GetRecordStore(), "record.xml") && ok;
    ok = RewriteLighting(registry.GetSideModelTable(), "sidemodel.xml") && ok;
    ok = RewriteLighting(registry.GetLedEffectTable(), "ledeffect.xml") && ok;
    return ok ? kOk : kFailed;
}

// autostart [on|off]: the user's session start, which the window's "more"
// menu turns on and off too.
int RunAutostartCommand(const std::vector<std::string_view>& args) {
    if (args.size() > 2 || (args.size() == 2 && args[1] != "on" && args[1] != "off"))
        return Usage("autostart takes on or off");
    std::string problem;
    const std::optional<std::filesystem::path> entry =
        AutostartEntryPath(CurrentFolderSurroundings(), problem);
    if (!entry) {
        std::cerr << "keywright-ctl: " << problem << "\n";
        return kFailed;
    }
    if (args.size() == 1) {
        std::cout << (AutostartEntryExists(*entry) ? "on" : "off") << "\n";
        return kOk;
    }
    const platform::FileResult done = args[1] == "on"
                                          ? WriteAutostartEntry(*entry, WindowProgramPath())
                                          : RemoveAutostartEntry(*entry);
    if (!done) {
        std::cerr << "keywright-ctl: " << done.error << "\n";
        return kFailed;
    }
    std::cout << "autostart " << args[1] << ": " << entry->string() << "\n";
    return kOk;
}

int Main(const std::vector<std::string_view>& all) {
    // Global options may stand anywhere; what is left is the command.
    KeyboardCliOptions options;
    std::vector<std::string_view> args;
    for (size_t i = 0; i < all.size(); ++i) {
        std::string problem;
        const OptionResult taken = TakeProgramOption(all, i, options, problem);
        if (taken == OptionResult::Bad)
            return Usage(problem);
        if (taken == OptionResult::Taken)
            continue;
        if (all[i] == "--help" || all[i] == "-h" || all[i] == "help") {
            std::cout << UsageText();
            return kOk;
        } else if (all[i] == "--version") {
            std::cout << "keywright-ctl " << kProgramVersion << "\n";
            return kOk;
        } else {
            args.push_back(all[i]);
        }
    }
    if (args.empty())
        return Usage("no command given");
    if (args[0] == "autostart")
        return RunAutostartCommand(args);
    // The settings folder the window program uses too.
    std::string problem;
    const std::optional<ProgramFolders> folders = ProgramFoldersFor(options.dir, problem);
    if (!folders) {
        std::cerr << "keywright-ctl: " << problem << "\n";
        return kFailed;
    }
    options.dir = folders->settings;

    std::error_code ec;
    if (!std::filesystem::is_directory(options.dir, ec)) {
        std::cerr << "keywright-ctl: " << options.dir.string() << " is not a folder\n";
        return kUsage;
    }
    if (args[0] == "settings") {
        if (args.size() == 2 && args[1] == "dump")
            return Dump(options.dir);
        if (args.size() == 2 && args[1] == "normalize")
            return Normalize(options.dir);
        return Usage("settings takes dump or normalize");
    }
    if (args[0] == "assign" || args[0] == "unassign" || args[0] == "assignments")
        return RunAssignCommand(options, args);
    if (args[0] == "macro")
        return RunMacroCommand(options, args);
    if (args[0] == "run")
        return RunEngineCommand(options, args);
    return RunKeyboardCommand(options, args);
}

} // namespace
} // namespace keywright::ctl

int main(int argc, char** argv) {
    return keywright::ctl::Main(std::vector<std::string_view>(argv + 1, argv + argc));
}
