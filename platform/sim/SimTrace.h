#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace keywright::sim {

// Appends `value` as `digits` lowercase hex digits (higher digits dropped).
void AppendHex(std::string& out, std::uint32_t value, int digits);

// Appends each byte as a space and two lowercase hex digits (" 0a").
void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t length);

// Writes `line` and a newline in one piece and flushes, under a lock shared
// by every world and service, so trace lines from several threads (or
// worlds sharing std::cout) never interleave.
void WriteTraceLine(std::ostream& out, std::string_view line);

} // namespace keywright::sim
