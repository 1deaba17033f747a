#include "ctl/AssignCli.h"

#include "assign/KeyAssignment.h"
#include "ctl/Arguments.h"
#include "ctl/Lookup.h"
#include "ctl/SettingsJson.h"
#include "settings/AppConfig.h"
#include "settings/KeyCatalogue.h"
#include "settings/MacroSettings.h"
#include "settings/RecordStore.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace keywright::ctl {
namespace {

std::string CodeText(KeyCode code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(code));
    return text;
}

// The key's name in records: its catalogue name, or its code when it has none.
std::string KeyName(KeyCode code) {
    const std::string_view name = FindKeyInfo(code).name;
    return name.empty() ? CodeText(code) : std::string(name);
}

// Opens record.xml for a change. A file that exists but cannot be read is
// never overwritten: the user's assignments in it would be lost.
bool OpenForChange(RecordStore& store, const std::filesystem::path& path) {
    store.Load(path);
    const XmlFile& file = store.File();
    if (file.Status() == LoadStatus::Ok || file.Status() == LoadStatus::Missing)
        return true;
    std::cerr << "keywright-ctl: record.xml left unchanged: " << file.Error() << "\n";
    return false;
}

const char* ProblemText(AssignProblem problem) {
    switch (problem) {
    case AssignProblem::None:
        return "no problem";
    case AssignProblem::NoGroup:
        return "no such macro group";
    case AssignProblem::NotAPlaybackMode:
        return "not a playback mode";
    case AssignProblem::NoSingleKey:
        return "no target key";
    case AssignProblem::NoMediaKey:
        return "no such media key";
    case AssignProblem::NoCombination:
        return "no such key combination";
    case AssignProblem::EmptyCombination:
        return "the key combination has no keys in config.xml";
    case AssignProblem::UnknownKind:
        return "unknown kind of assignment";
    }
    return "unknown problem";
}

constexpr const char* kAssignUsage =
    "assign takes KEY and one of --key K, --media NAME, --combo NAME, "
    "--macro GROUP [--play N] [--repeat R]";

int Assign(const ProgramOptions& options, const std::vector<std::string_view>& args) {
    if (args.size() < 2)
        return Usage(kAssignUsage);
    const auto key = ParseKey(args[1]);
    if (!key)
        return Usage("unknown key '" + std::string(args[1]) + "'");

    // What was chosen, as option name and value; --play and --repeat go with --macro.
    std::optional<std::pair<std::string_view, std::string_view>> choice;
    std::optional<int> play;
    std::optional<int> repeat;
    for (size_t i = 2; i < args.size(); i += 2) {
        const std::string_view name = args[i];
        if (i + 1 >= args.size())
            return Usage(std::string(name) + " needs a value");
        const std::string_view value = args[i + 1];
        if (name == "--key" || name == "--media" || name == "--combo" || name == "--macro") {
            if (choice)
                return Usage(kAssignUsage);
            choice.emplace(name, value);
        } else if (name == "--play") {
            play = ParseNumber(value, 0, 99);
            if (!play || !StartsPlayback(*play))
                return Usage("--play takes a playback mode: 2 (repeat times), 3 (while held), "
                             "4 (until pressed again), 5 (until another key), 6 (until any key), "
                             "8 (once)");
        } else if (name == "--repeat") {
            repeat = ParseNumber(value, 1, 65535);
            if (!repeat)
                return Usage("--repeat takes a number from 1 to 65535");
        } else {
            return Usage("unexpected argument '" + std::string(name) + "'");
        }
    }
    if (!choice)
        return Usage(kAssignUsage);
    if ((play || repeat) && choice->first != "--macro")
        return Usage("--play and --repeat go with --macro");

    AppConfig config(options.dir);
    config.Load();
    MacroSettings macros(SaveMode::ReadOnly);
    macros.Load(options.dir / "macro.xml");
    const auto& [kind, value] = *choice;
    if (kind == "--key") {
        const auto target = ParseKey(value);
        if (!target)
            return Usage("unknown key '" + std::string(value) + "'");
        macros.type = kAssignSingleKey;
        macros.skcode = *target;
    } else if (kind == "--media") {
        const auto index =
            FindByName(config.FunKeys(), value, [](const FunKeyEntry& e) { return e.name; });
        if (!index)
            return Usage("unknown media key '" + std::string(value) + "'; config.xml offers " +
                         Names(config.FunKeys(), [](const FunKeyEntry& e) { return e.name; }));
        macros.type = kAssignMediaKey;
        macros.media = static_cast<std::int32_t>(*index);
    } else if (kind == "--combo") {
        const auto index =
            FindByName(config.CombKeys(), value, [](const CombKeyEntry& e) { return e.name; });
        if (!index)
            return Usage("unknown key combination '" + std::string(value) +
                         "'; config.xml offers " +
                         Names(config.CombKeys(), [](const CombKeyEntry& e) { return e.name; }));
        macros.type = kAssignFunctionKey;
        macros.function = static_cast<std::int32_t>(*index);
    } else {
        const XmlFile& file = macros.File();
        if (file.Status() != LoadStatus::Ok && file.Status() != LoadStatus::Missing) {
            std::cerr << "keywright-ctl: macro.xml cannot be read: " << file.Error() << "\n";
            return kFailed;
        }
        const auto index =
            FindByName(macros.Groups(), value, [](const MacroGroup& g) { return g.name; });
        if (!index)
            return Usage("unknown macro group '" + std::string(value) + "'; macro.xml has " +
                         Names(macros.Groups(), [](const MacroGroup& g) { return g.name; }));
        macros.type = kAssignMacro;
        macros.group = static_cast<std::int32_t>(*index);
        macros.playValue = play.value_or(kPlayRepeat);
        macros.repeat = repeat.value_or(1);
    }

    RecordStore store;
    if (!OpenForChange(store, options.dir / "record.xml"))
        return kFailed;
    const StoreResult result = AssignKey(
        store, *key, KeyName(*key), AssignSources{macros, config.FunKeys(), config.CombKeys()});
    if (!result.made.record)
        return Usage(ProblemText(result.made.problem));
    if (!result.saved) {
        std::cerr << "keywright-ctl: record.xml could not be written\n";
        return kFailed;
    }
    return kOk;
}

int Unassign(const ProgramOptions& options, const std::vector<std::string_view>& args) {
    if (args.size() != 2)
        return Usage("unassign takes one KEY");
    const auto key = ParseKey(args[1]);
    if (!key)
        return Usage("unknown key '" + std::string(args[1]) + "'");
    RecordStore store;
    if (!OpenForChange(store, options.dir / "record.xml"))
        return kFailed;
    if (!store.Find(*key)) {
        // Nothing to remove; a missing file stays missing.
        std::cout << KeyName(*key) << ": not assigned\n";
        return kOk;
    }
    if (!UnassignKey(store, *key)) {
        std::cerr << "keywright-ctl: record.xml could not be written\n";
        return kFailed;
    }
    return kOk;
}

const char* KindText(std::int32_t type) {
    switch (type) {
    case kAssignMacro:
        return "macro";
    case kAssignSingleKey:
        return "key";
    case kAssignMediaKey:
        return "media";
    case kAssignFunctionKey:
        return "combo";
    }
    return "unknown";
}

int Assignments(const ProgramOptions& options, const std::vector<std::string_view>& args) {
    const bool json = args.size() == 2 && args[1] == "--json";
    if (args.size() > 1 && !json)
        return Usage("assignments takes only --json");
    RecordStore store(SaveMode::ReadOnly);
    store.Load(options.dir / "record.xml");
    const XmlFile& file = store.File();
    if (file.Status() != LoadStatus::Ok && file.Status() != LoadStatus::Missing) {
        std::cerr << "keywright-ctl: record.xml cannot be read: " << file.Error() << "\n";
        return kFailed;
    }
    if (json) {
        std::cout << RecordsToJson(store).dump(2, ' ', false,
                                               nlohmann::json::error_handler_t::replace)
                  << "\n";
        return kOk;
    }
    const auto records = store.Snapshot();
    for (const KeyRecord& r : *records) {
        std::cout << (r.name.empty() ? CodeText(r.code) : r.name) << " (" << CodeText(r.code)
                  << "): " << KindText(r.type) << " \"" << r.group << "\"";
        if (r.type == kAssignMacro)
            std::cout << ", play " << r.play << ", repeat " << r.repeat;
        std::cout << "\n";
    }
    return kOk;
}

} // namespace

std::optional<KeyCode> ParseKey(std::string_view text) {
    const auto catalogue = KeyCatalogue();
    const auto row = FindByName(catalogue, text, [](const KeyInfo& k) { return k.name; });
    if (row)
        return catalogue[*row].Code();
    return ParseKeyCode(text);
}

int RunAssignCommand(const ProgramOptions& options, const std::vector<std::string_view>& args) {
    if (args[0] == "assign")
        return Assign(options, args);
    if (args[0] == "unassign")
        return Unassign(options, args);
    return Assignments(options, args);
}

} // namespace keywright::ctl
