// keywright-ctl: Keywright's command-line companion. It works on the same
// settings files, with the same code, as the program itself.

#include "ctl/SettingsJson.h"
#include "platform/Files.h"
#include "settings/SettingsRegistry.h"

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace keywright;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText = R"(usage: keywright-ctl <command> [options]

commands:
  settings dump [--dir D]       print the settings of folder D as JSON
  settings normalize [--dir D]  rewrite the settings files of folder D in canonical form

D defaults to the program folder (the folder of this executable).
)";

int Usage(const std::string& problem) {
    std::cerr << "keywright-ctl: " << problem << "\n\n" << kUsageText;
    return kUsage;
}

struct Options {
    std::filesystem::path dir;
};

// Parses the options after the command words; nullopt after printing why.
std::optional<Options> ParseOptions(const std::vector<std::string_view>& args) {
    Options options{platform::ExecutableFolder()};
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir" && i + 1 < args.size()) {
            options.dir = std::string(args[++i]);
        } else {
            Usage("unexpected argument '" + std::string(args[i]) + "'");
            return std::nullopt;
        }
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(options.dir, ec)) {
        std::cerr << "keywright-ctl: " << options.dir.string() << " is not a folder\n";
        return std::nullopt;
    }
    return options;
}

int Dump(const Options& options) {
    // Read-only: loading a folder with missing lighting files must not create them here.
    SettingsRegistry registry(options.dir, SaveMode::ReadOnly);
    registry.LoadAll();
    std::cout << ctl::SettingsToJson(registry).dump(2, ' ', false,
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

int Normalize(const Options& options) {
    SettingsRegistry registry(options.dir);
    registry.LoadAll();
    bool ok = Rewrite(registry.GetMacroSettings(), "macro.xml");
    ok = Rewrite(registry.GetRecordStore(), "record.xml") && ok;
    ok = RewriteLighting(registry.GetSideModelTable(), "sidemodel.xml") && ok;
    ok = RewriteLighting(registry.GetLedEffectTable(), "ledeffect.xml") && ok;
    return ok ? kOk : kFailed;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage("no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsageText;
        return kOk;
    }
    if (args[0] == "settings" && args.size() >= 2) {
        const auto options = ParseOptions({args.begin() + 2, args.end()});
        if (!options)
            return kUsage;
        if (args[1] == "dump")
            return Dump(*options);
        if (args[1] == "normalize")
            return Normalize(*options);
    }
    return Usage("unknown command '" + std::string(args[0]) + "'");
}
