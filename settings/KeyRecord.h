#pragma once

#include "base/KeyCode.h"
#include "settings/MacroGroup.h"

#include <cstdint>
#include <string>
#include <vector>

namespace keywright {

// AssignKind: what a key was given; equals the page of the dialog's mode tabs.
enum AssignKind : std::int32_t {
    kAssignMacro = 0,
    kAssignSingleKey = 1,
    kAssignMediaKey = 2,
    kAssignFunctionKey = 3,
};

// What one physical key does instead of its own function.
struct KeyRecord {
    KeyCode code = 0;        // the physical key; the store's key
    std::int32_t type = 0;   // AssignKind
    std::int32_t play = 0;   // playback mode, interpreted by the output engine
    std::int32_t repeat = 0; // plays per key press, where the mode counts
    std::string name;        // the physical key's name on the keyboard map
    std::string group;       // the name of what is assigned
    std::vector<MacroItem> steps;

    friend bool operator==(const KeyRecord&, const KeyRecord&) = default;
};

} // namespace keywright
