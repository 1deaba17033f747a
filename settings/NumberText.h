#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The number forms of the settings files. Reading follows the C library's
// strtoul/strtol on 32-bit values, which is what the files have always been
// read with: leading white space and one sign are accepted, reading stops at
// the first character that is not a digit of the base, and text without
// digits reads as 0. Base 16 also accepts a "0x" or "0X" prefix.
namespace keywright {

// Saturates at 4294967295; a leading minus negates the value modulo 2^32
// ("-1" reads as 4294967295).
std::uint32_t ParseUnsignedDecimal(std::string_view text);
std::uint32_t ParseUnsignedHex(std::string_view text);

// Saturates at the 32-bit signed limits.
std::int32_t ParseSignedDecimal(std::string_view text);
std::int32_t ParseSignedHex(std::string_view text);

// Lowercase hexadecimal without prefix or leading zeros ("70004").
std::string FormatHex(std::uint32_t value);

} // namespace keywright
