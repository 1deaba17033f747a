#pragma once

#include "ctl/ProgramOptions.h"

#include <string_view>
#include <vector>

namespace keywright::ctl {

// assign, unassign, assignments: the keys' records in the settings folder,
// made by the same rules as the assignment dialog. `args` starts with the
// command word. Returns the exit code.
int RunAssignCommand(const ProgramOptions& options, const std::vector<std::string_view>& args);

} // namespace keywright::ctl
