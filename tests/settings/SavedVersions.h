#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace keywright::test {

// The settings files a save can be interrupted in, each written through its
// own settings object in numbered versions: version v is one definite content
// (the same bytes whichever object wrote it), and reading a file back gives
// its version. The files differ from version to version in size and in many
// places, so a file that mixes two versions, or holds part of one, never
// reads as any version.
enum class SettingsKind { LedEffect, SideModel, Macro, Record };

inline constexpr SettingsKind kWrittenKinds[] = {SettingsKind::LedEffect, SettingsKind::SideModel,
                                                 SettingsKind::Macro, SettingsKind::Record};

const char* FileName(SettingsKind kind);
std::optional<SettingsKind> KindNamed(std::string_view name);

class VersionWriter {
  public:
    virtual ~VersionWriter() = default;
    // Changes the object to version `v` and saves it; the save's result.
    virtual bool Save(std::uint32_t v) = 0;
};

// Loads `path` first, as the program does, so a writer continues a file.
std::unique_ptr<VersionWriter> MakeVersionWriter(SettingsKind kind,
                                                 const std::filesystem::path& path);

// The version `path` holds; nullopt when it does not load as a whole file.
std::optional<std::uint32_t> ReadVersion(SettingsKind kind, const std::filesystem::path& path);

} // namespace keywright::test
