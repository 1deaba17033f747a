#pragma once

#include "base/KeyCode.h"
#include "ctl/ProgramOptions.h"

#include <optional>
#include <string_view>
#include <vector>

namespace keywright::ctl {

// assign, unassign, assignments: the keys' records in the settings folder,
// made by the same rules as the assignment dialog. `args` starts with the
// command word. Returns the exit code.
int RunAssignCommand(const ProgramOptions& options, const std::vector<std::string_view>& args);

// A key by catalogue name ("F1", "a"; names win, so "A" is the key, not the
// code 0xA) or by code in hex ("0x7003a").
std::optional<KeyCode> ParseKey(std::string_view text);

} // namespace keywright::ctl
