#pragma once

#include "base/KeyCode.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::ctl {

// One step of a key script: a key going down or up, or a pause.
struct KeyScriptStep {
    KeyCode code = 0; // 0: a pause
    bool down = false;
    std::chrono::milliseconds pause{0};
};

// A timed script of key presses, one step a line, read like keyd's tests:
//   F1 down        a key by catalogue name or hex code, "down" or "up"
//   30ms           a pause (0-600000 ms)
// Blank lines and lines starting with '#' are skipped. nullopt for anything
// else, with `problem` naming the line. Keys must sit on a page below 0x100,
// as the filter reports them.
std::optional<std::vector<KeyScriptStep>> ParseKeyScript(std::string_view text,
                                                         std::string& problem);

} // namespace keywright::ctl
