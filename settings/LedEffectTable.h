#pragma once

#include "settings/XmlFile.h"

#include <array>
#include <cstdint>
#include <filesystem>

namespace keywright {

// One main lighting effect; the Set main effect command is built from these
// four bytes in this order.
struct LedEffectEntry {
    std::uint8_t brightness = 4; // 0..4
    std::uint8_t speed = 0;      // 0..4
    std::uint8_t direction = 0;  // 0..1, only ever sent by the delayed replay
    std::uint8_t selection = 0;  // 1..3 from the lighting page, 0 from defaults

    friend bool operator==(const LedEffectEntry&, const LedEffectEntry&) = default;
};

// The main key lighting, persisted in ledeffect.xml: one entry per effect
// (the position in the effect list) and the selected effect.
class LedEffectTable {
  public:
    static constexpr int kEntryCount = 20;
    static constexpr std::int32_t kNoEffect = 20; // current after defaults and reset

    explicit LedEffectTable(SaveMode mode = SaveMode::Write) : file_(mode) {}

    // Remembers `path` and reads it. A missing or malformed file is replaced
    // by the defaults, which are saved, and false is returned. An empty path
    // returns false and changes nothing. A good load never writes the file.
    bool Load(const std::filesystem::path& path);
    bool Save();

    // Index -1 stands for the current effect. Null when the resolved index is
    // not 0..19 (as with current = 20, no effect selected).
    LedEffectEntry* GetEntry(int index);
    const LedEffectEntry* GetEntry(int index) const;

    // Stores any value, unchecked, and saves.
    void SetCurrent(std::int32_t index);
    std::int32_t GetCurrent() const { return current_; }

    // Defaults into every entry, current = 20, then saves.
    void Reset();

    const std::filesystem::path& Path() const { return file_.Path(); }
    const XmlFile& File() const { return file_; }

  private:
    void ApplyDefaults();

    XmlFile file_;
    std::array<LedEffectEntry, kEntryCount> entries_{};
    std::int32_t current_ = kNoEffect;
};

} // namespace keywright
