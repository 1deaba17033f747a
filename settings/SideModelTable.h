#pragma once

#include "settings/XmlFile.h"

#include <array>
#include <cstdint>
#include <filesystem>

namespace keywright {

// One side-light mode. Only the level (bits 4..7 of levelByte) is stored in
// the file; the Set side light command puts the mode number in bits 0..3 of
// the byte it sends. `reserved` is never stored.
struct SideModelEntry {
    std::uint8_t levelByte = 0;
    std::uint8_t reserved = 0;

    // The speed level for modes 0..2, the brightness level for modes 3..11.
    std::uint8_t Level() const { return levelByte >> 4; }
    // Writes bits 4..7 only.
    void SetLevel(std::uint8_t level) {
        levelByte = static_cast<std::uint8_t>((levelByte & 0x0F) | ((level & 0x0F) << 4));
    }

    friend bool operator==(const SideModelEntry&, const SideModelEntry&) = default;
};

// The side lights, persisted in sidemodel.xml: one entry per side-light mode
// and the selected mode.
class SideModelTable {
  public:
    static constexpr int kEntryCount = 12;

    explicit SideModelTable(SaveMode mode = SaveMode::Write);

    // Remembers `path` and reads it. A missing or malformed file resets the
    // table (which saves) and returns false. An empty path returns false and
    // changes nothing.
    bool Load(const std::filesystem::path& path);
    bool Save();

    // Index -1 stands for the current mode. Null when the resolved index is
    // not 0..11 (as with current = 12, which the file may hold).
    SideModelEntry* GetEntry(int index);
    const SideModelEntry* GetEntry(int index) const;

    void SetCurrent(std::int32_t index); // unchecked; saves
    std::int32_t GetCurrent() const { return current_; }

    // Levels 4 for modes 0..2 and 7 for the rest, reserved bits 0..3 = 0001,
    // current 0; then saves.
    void Reset();

    const std::filesystem::path& Path() const { return file_.Path(); }
    const XmlFile& File() const { return file_; }

  private:
    void ApplyDefaults();

    XmlFile file_;
    std::array<SideModelEntry, kEntryCount> entries_{};
    std::int32_t current_ = 0;
};

} // namespace keywright
