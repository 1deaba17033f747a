#pragma once

#include "settings/SettingsRegistry.h"

#include <nlohmann/json.hpp>

namespace keywright::ctl {

// The five settings objects as JSON, field names as the objects name them.
nlohmann::ordered_json SettingsToJson(SettingsRegistry& registry);

// The store's records, in list order, as SettingsToJson shows them.
nlohmann::ordered_json RecordsToJson(const RecordStore& store);

} // namespace keywright::ctl
