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

// PlayMode: what a key's record does with the key's presses (KeyRecord::play).
// The values are the ones the key file stores; any other value does nothing.
// The output engine plays them (engine/OutputEngine.h has the stop rules).
enum PlayMode : std::int32_t {
    kPlayNone = 0,
    kPlayPassThrough = 1,       // each down and up goes on as the first step's code
    kPlayRepeat = 2,            // a down plays the steps `repeat` times
    kPlayWhileHeld = 3,         // a down plays them until the key goes up
    kPlayUntilPressedAgain = 4, // ... until the key goes down again
    kPlayUntilOtherKey = 5,     // ... until another key goes down (that press does nothing else)
    kPlayUntilAnyKey = 6,       // ... until any key goes down, this one included
    kPlayOnce = 8,              // a down plays them once
};

// True for the modes in which a down of the key plays its steps as a macro.
constexpr bool StartsPlayback(std::int32_t play) {
    switch (play) {
    case kPlayRepeat:
    case kPlayWhileHeld:
    case kPlayUntilPressedAgain:
    case kPlayUntilOtherKey:
    case kPlayUntilAnyKey:
    case kPlayOnce:
        return true;
    default:
        return false;
    }
}

// What one physical key does instead of its own function.
struct KeyRecord {
    KeyCode code = 0;        // the physical key; the store's key
    std::int32_t type = 0;   // AssignKind
    std::int32_t play = 0;   // PlayMode, as stored (an unknown value is kept as it is)
    std::int32_t repeat = 0; // plays per key press, where the mode counts
    std::string name;        // the physical key's name on the keyboard map
    std::string group;       // the name of what is assigned
    std::vector<MacroItem> steps;

    friend bool operator==(const KeyRecord&, const KeyRecord&) = default;
};

} // namespace keywright
