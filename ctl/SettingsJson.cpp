#include "ctl/SettingsJson.h"

namespace keywright::ctl {
namespace {

using Json = nlohmann::ordered_json;

Json ItemsToJson(const std::vector<MacroItem>& items) {
    Json list = Json::array();
    for (const MacroItem& item : items)
        list.push_back({{"code", item.code},
                        {"state", item.state},
                        {"delay", item.delay},
                        {"name", item.name}});
    return list;
}

Json ToJson(const AppConfig& config) {
    Json funKeys = Json::array();
    for (const FunKeyEntry& e : config.FunKeys())
        funKeys.push_back({{"name", e.name}, {"path", e.path}, {"argm", e.argm}, {"code", e.code}});
    Json combKeys = Json::array();
    for (const CombKeyEntry& e : config.CombKeys()) {
        Json pairs = Json::array();
        for (const CombKeyPair& p : e.pairs)
            pairs.push_back({{"code", p.code}, {"delay", p.delay}});
        combKeys.push_back({{"name", e.name}, {"pairs", pairs}});
    }
    return {{"usbVendor", config.UsbVendor()},
            {"usbProduct", config.UsbProduct()},
            {"usbInterface", config.UsbInterface()},
            {"usbSubdevice", config.UsbSubdevice()},
            {"chinese", config.Chinese()},
            {"funKeys", funKeys},
            {"combKeys", combKeys}};
}

Json ToJson(const MacroSettings& macros) {
    Json groups = Json::array();
    for (const MacroGroup& g : macros.Groups())
        groups.push_back({{"name", g.name}, {"items", ItemsToJson(g.items)}});
    return {{"type", macros.type},
            {"repeat", macros.repeat},
            {"delay", macros.delay},
            {"mode", macros.mode},
            {"media", macros.media},
            {"function", macros.function},
            {"skcode", macros.skcode},
            {"group", macros.group},
            {"playValue", macros.playValue},
            {"play", macros.play},
            {"recording", macros.recording},
            {"path", macros.Path().string()},
            {"groups", groups}};
}

Json ToJson(const RecordStore& store) {
    return {{"path", store.Path().string()}, {"records", RecordsToJson(store)}};
}

Json ToJson(const SideModelTable& table) {
    Json entries = Json::array();
    for (int i = 0; i < SideModelTable::kEntryCount; ++i) {
        const SideModelEntry& e = *table.GetEntry(i);
        entries.push_back({{"level", e.Level()}, {"reserved", e.reserved}});
    }
    return {{"path", table.Path().string()}, {"entries", entries}, {"current", table.GetCurrent()}};
}

Json ToJson(const LedEffectTable& table) {
    Json entries = Json::array();
    for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
        const LedEffectEntry& e = *table.GetEntry(i);
        entries.push_back({{"brightness", e.brightness},
                           {"speed", e.speed},
                           {"direction", e.direction},
                           {"selection", e.selection}});
    }
    return {{"path", table.Path().string()}, {"entries", entries}, {"current", table.GetCurrent()}};
}

} // namespace

Json SettingsToJson(SettingsRegistry& registry) {
    return {{"appConfig", ToJson(registry.GetAppConfig())},
            {"macroSettings", ToJson(registry.GetMacroSettings())},
            {"recordStore", ToJson(registry.GetRecordStore())},
            {"sideModelTable", ToJson(registry.GetSideModelTable())},
            {"ledEffectTable", ToJson(registry.GetLedEffectTable())}};
}

Json RecordsToJson(const RecordStore& store) {
    Json records = Json::array();
    const auto snapshot = store.Snapshot();
    for (const KeyRecord& r : *snapshot)
        records.push_back({{"code", r.code},
                           {"type", r.type},
                           {"play", r.play},
                           {"repeat", r.repeat},
                           {"name", r.name},
                           {"group", r.group},
                           {"steps", ItemsToJson(r.steps)}});
    return records;
}

} // namespace keywright::ctl
