#pragma once

#include "settings/AppConfig.h"
#include "settings/LedEffectTable.h"
#include "settings/MacroSettings.h"
#include "settings/RecordStore.h"
#include "settings/SideModelTable.h"

#include <filesystem>
#include <memory>

namespace keywright {

// The settings objects of one program folder. Each is created on first use,
// in the state its class gives a new object, and lives as long as the
// registry; the accessors always return the same instance.
//
// The accessors take no lock: the objects are first created on the start-up
// thread before any other thread runs.
class SettingsRegistry {
  public:
    explicit SettingsRegistry(std::filesystem::path programFolder, SaveMode mode = SaveMode::Write);

    AppConfig& GetAppConfig();
    MacroSettings& GetMacroSettings();
    RecordStore& GetRecordStore();
    SideModelTable& GetSideModelTable();
    LedEffectTable& GetLedEffectTable();

    // Loads every file as start-up does, in its order: config.xml, macro.xml,
    // record.xml, sidemodel.xml, ledeffect.xml. Each object handles a missing
    // or broken file itself.
    void LoadAll();

    const std::filesystem::path& ProgramFolder() const { return folder_; }
    std::filesystem::path FilePath(const char* fileName) const { return folder_ / fileName; }

  private:
    std::filesystem::path folder_;
    SaveMode mode_;
    std::unique_ptr<AppConfig> appConfig_;
    std::unique_ptr<MacroSettings> macroSettings_;
    std::unique_ptr<RecordStore> recordStore_;
    std::unique_ptr<SideModelTable> sideModelTable_;
    std::unique_ptr<LedEffectTable> ledEffectTable_;
};

} // namespace keywright
