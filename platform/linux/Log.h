#pragma once

#include <string_view>

namespace keywright::platform::lnx {

// Writes one line to standard error. The text starts with who is at fault
// ("device: ...", "system: ...", "bug: ..."). Safe from any thread; lines do
// not interleave.
void LogLine(std::string_view line);

} // namespace keywright::platform::lnx
