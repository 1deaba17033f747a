#pragma once

#include "settings/SettingsRegistry.h"

#include <nlohmann/json.hpp>

namespace keywright::ctl {

// The five settings objects as JSON, field names as the objects name them.
nlohmann::ordered_json SettingsToJson(SettingsRegistry& registry);

} // namespace keywright::ctl
