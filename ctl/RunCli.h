#pragma once

#include "ctl/ProgramOptions.h"

#include <string_view>
#include <vector>

namespace keywright::ctl {

// run [--sim-keys FILE]: the key engine without the window. The keyboard
// filter and the output engine work on the folder's record.xml and
// macro.xml until SIGINT or SIGTERM, picking up changes to those files; on
// the way out every key is released and the filter's key table cleared.
// With --simulate, --sim-keys plays a script of key presses into the
// simulated filter and ends when the script and any macro it started are
// done. `args` starts with the command word. Returns the exit code.
int RunEngineCommand(const ProgramOptions& options, const std::vector<std::string_view>& args);

} // namespace keywright::ctl
