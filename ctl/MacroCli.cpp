#include "ctl/MacroCli.h"

#include "assign/MacroGroupFile.h"
#include "ctl/Arguments.h"
#include "ctl/Lookup.h"
#include "settings/MacroSettings.h"

#include <iostream>
#include <optional>
#include <string>

namespace keywright::ctl {
namespace {

std::string_view GroupName(const MacroGroup& group) {
    return group.name;
}

// Reads macro.xml; false (with the reason on standard error) when it exists
// but cannot be used, so that nothing is read from or written over it.
bool LoadMacros(MacroSettings& macros, const ProgramOptions& options) {
    macros.Load(options.dir / "macro.xml");
    const XmlFile& file = macros.File();
    if (file.Status() == LoadStatus::Ok || file.Status() == LoadStatus::Missing)
        return true;
    std::cerr << "keywright-ctl: macro.xml cannot be used, left unchanged: " << file.Error()
              << "\n";
    return false;
}

// A group by name, or by its number in `macro list` when no group has that name.
std::optional<std::size_t> FindGroup(const MacroSettings& macros, std::string_view text) {
    if (const auto index = FindByName(macros.Groups(), text, GroupName))
        return index;
    if (const auto number = ParseNumber(text, 1, static_cast<int>(macros.GroupCount())))
        return static_cast<std::size_t>(*number - 1);
    return std::nullopt;
}

int List(const ProgramOptions& options) {
    MacroSettings macros(SaveMode::ReadOnly);
    if (!LoadMacros(macros, options))
        return kFailed;
    for (std::size_t i = 0; i < macros.GroupCount(); ++i) {
        const std::size_t steps = macros.Groups()[i].items.size();
        std::cout << i + 1 << ": \"" << macros.Groups()[i].name << "\", " << steps
                  << (steps == 1 ? " step\n" : " steps\n");
    }
    return kOk;
}

int Export(const ProgramOptions& options, std::string_view group, std::string_view file) {
    MacroSettings macros(SaveMode::ReadOnly);
    if (!LoadMacros(macros, options))
        return kFailed;
    const auto index = FindGroup(macros, group);
    if (!index)
        return Usage("unknown macro group '" + std::string(group) + "'; macro.xml has " +
                     Names(macros.Groups(), GroupName));
    const GroupFileResult result = ExportMacroGroup(macros, *index, std::filesystem::path(file));
    if (!result.ok) {
        std::cerr << "keywright-ctl: " << result.message << "\n";
        return kFailed;
    }
    return kOk;
}

int Import(const ProgramOptions& options, std::string_view file) {
    MacroSettings macros;
    if (!LoadMacros(macros, options))
        return kFailed;
    const std::size_t before = macros.GroupCount();
    const GroupImportResult result = ImportMacroGroups(macros, std::filesystem::path(file));
    if (!result.message.empty()) {
        std::cerr << "keywright-ctl: " << result.message << "\n";
        return kFailed;
    }
    for (std::size_t i = before; i < macros.GroupCount(); ++i)
        std::cout << "imported " << i + 1 << ": \"" << macros.Groups()[i].name << "\"\n";
    return kOk;
}

} // namespace

int RunMacroCommand(const ProgramOptions& options, const std::vector<std::string_view>& args) {
    if (args.size() == 2 && args[1] == "list")
        return List(options);
    if (args.size() == 4 && args[1] == "export")
        return Export(options, args[2], args[3]);
    if (args.size() == 3 && args[1] == "import")
        return Import(options, args[2]);
    return Usage("macro takes list, export GROUP FILE or import FILE");
}

} // namespace keywright::ctl
