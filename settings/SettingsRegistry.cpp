#include "settings/SettingsRegistry.h"

namespace keywright {
namespace {

template <typename T, typename... Args>
T& Lazy(std::unique_ptr<T>& slot, Args&&... args) {
    if (!slot)
        slot = std::make_unique<T>(std::forward<Args>(args)...);
    return *slot;
}

} // namespace

SettingsRegistry::SettingsRegistry(std::filesystem::path programFolder, SaveMode mode)
    : folder_(std::move(programFolder)), mode_(mode) {}

AppConfig& SettingsRegistry::GetAppConfig() {
    return Lazy(appConfig_, folder_);
}
MacroSettings& SettingsRegistry::GetMacroSettings() {
    return Lazy(macroSettings_, mode_);
}
RecordStore& SettingsRegistry::GetRecordStore() {
    return Lazy(recordStore_, mode_);
}
SideModelTable& SettingsRegistry::GetSideModelTable() {
    return Lazy(sideModelTable_, mode_);
}
LedEffectTable& SettingsRegistry::GetLedEffectTable() {
    return Lazy(ledEffectTable_, mode_);
}

void SettingsRegistry::LoadAll() {
    GetAppConfig().Load();
    GetMacroSettings().Load(FilePath("macro.xml"));
    GetRecordStore().Load(FilePath("record.xml"));
    GetSideModelTable().Load(FilePath("sidemodel.xml"));
    GetLedEffectTable().Load(FilePath("ledeffect.xml"));
}

} // namespace keywright
