#pragma once

#include "ctl/ProgramOptions.h"

#include <string_view>
#include <vector>

namespace keywright::ctl {

// macro list | export GROUP FILE | import FILE: the macro groups of the
// settings folder's macro.xml, and group files to keep or share them. `args`
// starts with the word "macro". Returns the exit code.
int RunMacroCommand(const ProgramOptions& options, const std::vector<std::string_view>& args);

} // namespace keywright::ctl
