#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Numbers as the program's text files write them: the settings files, the
// layout attributes and the keyboard positions file. Every reader follows the
// C library's rules that those files were written for (strtoul, atoi, scanf's
// "%d" and "%x"): leading white space and one sign are accepted, reading stops
// at the first character that is not a digit of the base, and base 16 also
// accepts a "0x" or "0X" prefix when a hexadecimal digit follows it. Unlike
// the C library, each is defined for every input: a number too large for 32
// bits gives the result stated below, never undefined behaviour.
namespace keywright {

// The settings files. Text without digits reads as 0.
//
// Saturates at 4294967295; a leading minus negates the value modulo 2^32
// ("-1" reads as 4294967295).
std::uint32_t ParseUnsignedDecimal(std::string_view text);
std::uint32_t ParseUnsignedHex(std::string_view text);
// Saturates at the 32-bit signed limits.
std::int32_t ParseSignedDecimal(std::string_view text);
std::int32_t ParseSignedHex(std::string_view text);

// Lowercase hexadecimal without prefix or leading zeros ("70004").
std::string FormatHex(std::uint32_t value);

// Layout attributes and the positions file.
//
// "%d" once, as atoi reads it, saturating at the 32-bit signed limits. 0 when
// no digit follows.
std::int32_t ReadDecimal(std::string_view text);

// "%x": nullopt when no digit follows. More than eight digits keep the low 32
// bits; a minus sign gives the two's complement.
std::optional<std::uint32_t> ReadHex(std::string_view text);

// "%d,%d,...,%d" with `count` numbers into out[0 .. count - 1]: each number
// may have white space before it, each comma must follow its number directly.
// Reading stops at the first number or comma that is not there; numbers not
// read are 0. Returns how many numbers were read.
std::size_t ScanDecimalList(std::string_view text, std::int32_t* out, std::size_t count);

template <std::size_t N>
std::size_t ScanDecimals(std::string_view text, std::array<std::int32_t, N>& out) {
    return ScanDecimalList(text, out.data(), N);
}

// `text` without any of the characters of `drop`.
std::string WithoutChars(std::string_view text, std::string_view drop);

} // namespace keywright
