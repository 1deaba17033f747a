// The exported macro group file, which comes from other people: whatever it
// holds, an import adds all of its groups or none, and what it added exports
// to a file that reads back as the same groups.
#include "FuzzSupport.h"
#include "assign/MacroGroupFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keywright::fuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    static fuzz::Scratch scratch;
    const auto file = scratch.Write("shared.xml", {data, size});

    MacroSettings settings;
    settings.Load(scratch.Folder() / "macro.xml");
    settings.AddGroup(); // a group of the user's own, which an import must keep
    const std::vector<MacroGroup> before = settings.Groups();

    const GroupFileContents contents = ReadMacroGroupFile(file);
    fuzz::Check(contents.message.empty() || contents.groups.empty(),
                "a refused file gives no groups");
    const GroupImportResult imported = ImportMacroGroups(settings, file);
    fuzz::Check(imported.added == contents.groups.size(), "an import adds what the file reads as");
    fuzz::Check(settings.GroupCount() == before.size() + imported.added, "all or nothing");
    fuzz::Check(std::equal(before.begin(), before.end(), settings.Groups().begin()),
                "the user's own groups stay as they were");

    for (std::size_t i = 0; i < imported.added; ++i) {
        const std::size_t index = before.size() + i;
        fuzz::Check(settings.Groups()[index] == contents.groups[i],
                    "groups are added exactly as written");
        const auto out = scratch.Folder() / "exported.xml";
        fuzz::Check(ExportMacroGroup(settings, index, out).ok, "an imported group exports");
        const GroupFileContents again = ReadMacroGroupFile(out);
        fuzz::Check(again.message.empty() && again.groups.size() == 1 &&
                        again.groups[0] == settings.Groups()[index],
                    "an exported group reads back as itself");
    }
    scratch.Clear();
    return 0;
}
