#pragma once

#include "base/KeyCode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace keywright {

// One step of a macro, and of a key record.
struct MacroItem {
    KeyCode code = 0;
    std::uint32_t state = 0; // 1 = key goes down, 0 = key goes up
    std::uint32_t delay = 0; // milliseconds to wait after this step
    std::string name;        // the key's catalogue name when it was recorded

    friend bool operator==(const MacroItem&, const MacroItem&) = default;
};

struct MacroGroup {
    std::string name;
    std::vector<MacroItem> items;

    friend bool operator==(const MacroGroup&, const MacroGroup&) = default;
};

} // namespace keywright
