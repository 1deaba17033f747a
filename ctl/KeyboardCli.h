#pragma once

#include "ctl/ProgramOptions.h"

#include <string_view>
#include <vector>

namespace keywright::ctl {

using KeyboardCliOptions = ProgramOptions;

// list, version, effect, side, replay, factory-reset, keys, send. `args` starts with the
// command word. Returns the exit code.
int RunKeyboardCommand(const KeyboardCliOptions& options,
                       const std::vector<std::string_view>& args);

} // namespace keywright::ctl
