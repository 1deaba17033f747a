#pragma once

#include "base/KeyCode.h"
#include "settings/MacroGroup.h"
#include "settings/XmlFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace keywright {

// The assignment dialog's remembered choices and the user's macro groups,
// persisted in macro.xml. The dialog writes the choice fields directly; no
// field is range-checked here, and every reader of an index tests it.
class MacroSettings {
  public:
    explicit MacroSettings(SaveMode saveMode = SaveMode::Write) : file_(saveMode) {}

    std::int32_t type = 0;      // AssignKind chosen last: 0 macro, 1 single, 2 media, 3 function
    std::int32_t repeat = 1;    // macro repeat count
    std::int32_t delay = 10;    // fixed recording delay, milliseconds (delay mode 1)
    std::int32_t mode = 0;      // delay mode: 0 real time, 1 fixed delay, 2 no delay
    std::int32_t media = 0;     // index into the config's media keys
    std::int32_t function = 0;  // index into the config's key combinations
    KeyCode skcode = 0;         // target of a single-key assignment
    std::int32_t group = 0;     // index of the selected macro group
    std::int32_t playValue = 0; // playback mode behind the selected play entry; not stored
    std::int32_t play = 0;      // index of the selected play entry
    std::int32_t recording = 0; // the dialog's recording switch; not stored

    // Remembers `path` and reads it; false when it is missing or malformed,
    // and then nothing else changes. An empty path returns false and changes
    // nothing. Never writes the file.
    bool Load(const std::filesystem::path& path);
    bool Save();

    // Every field back to its default and no groups; does not save.
    void Reset();

    // Appends an empty group named "Group n" with the first free n counting
    // from the group count, and saves.
    void AddGroup();

    // Appends the groups as they are, after the existing ones, and saves;
    // false when macro.xml could not be written (the groups are kept).
    bool AppendGroups(std::vector<MacroGroup> groups);
    // Removes the group and saves; false (nothing written) when out of range.
    bool DeleteGroup(std::size_t index);
    // Sets the name and saves; false (nothing written) when out of range or
    // the name is already exactly this one. Names need not be unique.
    bool RenameGroup(std::size_t index, const std::string& name);

    std::size_t GroupCount() const { return groups_.size(); }
    // A negative index stands for the selected group. Null when the index,
    // taken as unsigned, is not below the group count.
    MacroGroup* GetGroup(int index);
    const std::vector<MacroGroup>& Groups() const { return groups_; }

    const std::filesystem::path& Path() const { return file_.Path(); }
    const XmlFile& File() const { return file_; }

  private:
    XmlFile file_;
    std::vector<MacroGroup> groups_;
};

} // namespace keywright
