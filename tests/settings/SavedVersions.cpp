#include "SavedVersions.h"

#include "settings/LedEffectTable.h"
#include "settings/MacroSettings.h"
#include "settings/RecordStore.h"
#include "settings/SideModelTable.h"

namespace keywright::test {
namespace {

// Versions spread over several entries as base-5 digits: every entry field
// used here accepts 0..4.
std::uint8_t Digit(std::uint32_t v, int index) {
    for (int i = 0; i < index; ++i)
        v /= 5;
    return static_cast<std::uint8_t>(v % 5);
}

class LedEffectWriter : public VersionWriter {
  public:
    explicit LedEffectWriter(const std::filesystem::path& path) { table_.Load(path); }
    bool Save(std::uint32_t v) override {
        for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
            table_.GetEntry(i)->brightness = Digit(v, i);
            table_.GetEntry(i)->speed = static_cast<std::uint8_t>((v + i) % 5);
        }
        return table_.Save();
    }

  private:
    LedEffectTable table_;
};

class SideModelWriter : public VersionWriter {
  public:
    explicit SideModelWriter(const std::filesystem::path& path) { table_.Load(path); }
    bool Save(std::uint32_t v) override {
        for (int i = 0; i < SideModelTable::kEntryCount; ++i)
            table_.GetEntry(i)->SetLevel(Digit(v, i));
        return table_.Save();
    }

  private:
    SideModelTable table_;
};

// A group of v % 40 steps: the file grows and shrinks.
std::vector<MacroItem> Steps(std::uint32_t v) {
    std::vector<MacroItem> steps;
    for (std::uint32_t i = 0; i < v % 40; ++i)
        steps.push_back({0x70004 + i, i % 2, v + i, "step " + std::to_string(v)});
    return steps;
}

class MacroWriter : public VersionWriter {
  public:
    explicit MacroWriter(const std::filesystem::path& path) {
        macros_.Load(path);
        if (macros_.GroupCount() == 0)
            macros_.AddGroup();
    }
    bool Save(std::uint32_t v) override {
        macros_.repeat = static_cast<std::int32_t>(v);
        macros_.GetGroup(0)->items = Steps(v);
        return macros_.Save();
    }

  private:
    MacroSettings macros_;
};

class RecordWriter : public VersionWriter {
  public:
    explicit RecordWriter(const std::filesystem::path& path) { store_.Load(path); }
    bool Save(std::uint32_t v) override {
        store_.Put({0x70029, kAssignMacro, kPlayOnce, static_cast<std::int32_t>(v), "Esc",
                    "Group 0", Steps(v)});
        return store_.Save();
    }

  private:
    RecordStore store_;
};

} // namespace

const char* FileName(SettingsKind kind) {
    switch (kind) {
    case SettingsKind::LedEffect:
        return "ledeffect.xml";
    case SettingsKind::SideModel:
        return "sidemodel.xml";
    case SettingsKind::Macro:
        return "macro.xml";
    case SettingsKind::Record:
        return "record.xml";
    }
    return "";
}

std::optional<SettingsKind> KindNamed(std::string_view name) {
    for (const SettingsKind kind : kWrittenKinds)
        if (name == FileName(kind))
            return kind;
    return std::nullopt;
}

std::unique_ptr<VersionWriter> MakeVersionWriter(SettingsKind kind,
                                                 const std::filesystem::path& path) {
    switch (kind) {
    case SettingsKind::LedEffect:
        return std::make_unique<LedEffectWriter>(path);
    case SettingsKind::SideModel:
        return std::make_unique<SideModelWriter>(path);
    case SettingsKind::Macro:
        return std::make_unique<MacroWriter>(path);
    case SettingsKind::Record:
        return std::make_unique<RecordWriter>(path);
    }
    return nullptr;
}

std::optional<std::uint32_t> ReadVersion(SettingsKind kind, const std::filesystem::path& path) {
    switch (kind) {
    case SettingsKind::LedEffect: {
        LedEffectTable table(SaveMode::ReadOnly);
        if (!table.Load(path))
            return std::nullopt;
        std::uint32_t v = 0;
        for (int i = LedEffectTable::kEntryCount - 1; i >= 0; --i)
            v = v * 5 + table.GetEntry(i)->brightness;
        return v;
    }
    case SettingsKind::SideModel: {
        SideModelTable table(SaveMode::ReadOnly);
        if (!table.Load(path))
            return std::nullopt;
        std::uint32_t v = 0;
        for (int i = SideModelTable::kEntryCount - 1; i >= 0; --i)
            v = v * 5 + table.GetEntry(i)->Level();
        return v;
    }
    case SettingsKind::Macro: {
        MacroSettings macros(SaveMode::ReadOnly);
        if (!macros.Load(path))
            return std::nullopt;
        return static_cast<std::uint32_t>(macros.repeat);
    }
    case SettingsKind::Record: {
        RecordStore store(SaveMode::ReadOnly);
        if (!store.Load(path) || store.Snapshot()->size() != 1)
            return std::nullopt;
        return static_cast<std::uint32_t>(store.Snapshot()->front().repeat);
    }
    }
    return std::nullopt;
}

} // namespace keywright::test
