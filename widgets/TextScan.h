#pragma once

#include <QtGlobal>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace keywright::widgets {

// Readers for the numbers of layout attributes and of the keyboard positions
// file, with the C library's scanf and atoi rules that those texts were
// written for, but defined for every input: a number too large for 32 bits
// saturates instead of being undefined.

// "%d" once, as atoi reads it: blanks and line breaks skipped, an optional
// sign, then decimal digits up to the first other character. 0 when no digit
// follows.
qint32 ReadDecimal(std::string_view text);

// "%x": blanks and line breaks skipped, an optional sign, an optional "0x",
// then hexadecimal digits. nullopt when no digit follows. More than eight
// digits keep the low 32 bits; a minus sign gives the two's complement.
std::optional<quint32> ReadHex(std::string_view text);

// "%d,%d,...,%d" with `count` numbers into out[0 .. count - 1]: each number
// may have blanks and line breaks before it, each comma must follow its
// number directly. Reading stops at the first number or comma that is not
// there; numbers not read are 0. Returns how many numbers were read.
std::size_t ScanDecimalList(std::string_view text, qint32* out, std::size_t count);

template <std::size_t N>
std::size_t ScanDecimals(std::string_view text, std::array<qint32, N>& out) {
    return ScanDecimalList(text, out.data(), N);
}

// `text` without any of the characters of `drop`.
std::string WithoutChars(std::string_view text, std::string_view drop);

} // namespace keywright::widgets
