// keywright-ctl: Keywright's command-line companion. It works on the same
// settings files and talks to the keyboard with the same code as the program.

#include "ctl/Arguments.h"
#include "ctl/KeyboardCli.h"
#include "ctl/SettingsJson.h"
#include "platform/Files.h"
#include "settings/SettingsRegistry.h"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::ctl {

constexpr const char* kUsageText = R"(usage: keywright-ctl [options] <command> [arguments]

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

key engine:
  keys                          print the key events the keyboard filter reports, until
                                interrupted: "down 07:0004 A" (with --simulate: a few scripted keys)
  send CODE...                  tap each key code (hex, 0x70004 is A) on the virtual output device

options:
  --dir D             the program folder with the settings files (default: this executable's folder)
  --simulate          run against the simulated keyboard, filter and virtual device, which print
                      every report, control request and packet they receive
  --sim-firmware V    the firmware version the simulated keyboard answers (major * 256 + minor)
  --trace             print the trace lines of the keyboard link and the virtual device search

exit codes: 0 done, 1 failed, 2 bad arguments, 3 no keyboard (or filter, or virtual device),
            4 keyboard not accessible
)";

int Usage(const std::string& problem) {
    std::cerr << "keywright-ctl: " << problem << "\n\n" << kUsageText;
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

int Main(const std::vector<std::string_view>& all) {
    // Global options may stand anywhere; what is left is the command.
    KeyboardCliOptions options{false, false, platform::ExecutableFolder(), std::nullopt};
    std::vector<std::string_view> args;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--simulate") {
            options.simulate = true;
        } else if (all[i] == "--trace") {
            options.trace = true;
        } else if (all[i] == "--dir") {
            if (i + 1 == all.size())
                return Usage("--dir needs a folder");
            options.dir = std::string(all[++i]);
        } else if (all[i] == "--sim-firmware") {
            const auto version =
                i + 1 < all.size() ? ParseNumber(all[i + 1], 0, 0xFFFF) : std::nullopt;
            if (!version)
                return Usage(
                    "--sim-firmware takes a version from 0 to 65535 (major * 256 + minor)");
            options.simulatedFirmware = static_cast<std::uint16_t>(*version);
            ++i;
        } else if (all[i] == "--help" || all[i] == "-h" || all[i] == "help") {
            std::cout << kUsageText;
            return kOk;
        } else {
            args.push_back(all[i]);
        }
    }
    if (args.empty())
        return Usage("no command given");

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
    return RunKeyboardCommand(options, args);
}

} // namespace
} // namespace keywright::ctl

int main(int argc, char** argv) {
    return keywright::ctl::Main(std::vector<std::string_view>(argv + 1, argv + argc));
}
