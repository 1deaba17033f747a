#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace keywright {
namespace {

// One number read from the front of a text: the sign, the magnitude (which
// stops growing once it no longer fits in 32 bits), and the low 32 bits of
// the digits as read.
struct Scanned {
    bool negative = false;
    bool digits = false;         // at least one digit was read
    bool overflow = false;       // the magnitude does not fit in 32 bits
    std::uint64_t magnitude = 0; // valid when !overflow
    std::uint32_t low = 0;       // the digits modulo 2^32
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c, int base) {
    int value = 36;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'z')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// Reads one number from the front of `text` and drops what it read. When no
// digit follows the optional sign, `text` is left as it was.
Scanned Scan(std::string_view& text, int base) {
    Scanned result;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    // "0x" is a prefix only when a hex digit follows; "0xg" reads as 0.
    if (base == 16 && i + 2 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2], 16) >= 0)
        i += 2;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0)
            break;
        result.digits = true;
        result.low =
            result.low * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
        if (!result.overflow) {
            result.magnitude = result.magnitude * static_cast<std::uint64_t>(base) +
                               static_cast<std::uint64_t>(digit);
            result.overflow = result.magnitude > std::numeric_limits<std::uint32_t>::max();
        }
    }
    if (result.digits)
        text.remove_prefix(i);
    return result;
}

Scanned ScanAll(std::string_view text, int base) {
    return Scan(text, base);
}

std::uint32_t ToUnsigned(const Scanned& s) {
    if (s.overflow)
        return std::numeric_limits<std::uint32_t>::max();
    const auto value = static_cast<std::uint32_t>(s.magnitude);
    return s.negative ? 0u - value : value;
}

std::int32_t ToSigned(const Scanned& s) {
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
    if (s.negative) {
        if (s.overflow || s.magnitude > kMaxPositive + 1)
            return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(s.magnitude));
    }
    if (s.overflow || s.magnitude > kMaxPositive)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(s.magnitude);
}

} // namespace

std::uint32_t ParseUnsignedDecimal(std::string_view text) {
    return ToUnsigned(ScanAll(text, 10));
}
std::uint32_t ParseUnsignedHex(std::string_view text) {
    return ToUnsigned(ScanAll(text, 16));
}
std::int32_t ParseSignedDecimal(std::string_view text) {
    return ToSigned(ScanAll(text, 10));
}
std::int32_t ParseSignedHex(std::string_view text) {
    return ToSigned(ScanAll(text, 16));
}

std::string FormatHex(std::uint32_t value) {
    char buffer[8];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr;
    return std::string(buffer, end);
}

std::int32_t ReadDecimal(std::string_view text) {
    return ToSigned(ScanAll(text, 10));
}

std::optional<std::uint32_t> ReadHex(std::string_view text) {
    const Scanned s = ScanAll(text, 16);
    if (!s.digits)
        return std::nullopt;
    return s.negative ? ~s.low + 1u : s.low;
}

std::size_t ScanDecimalList(std::string_view text, std::int32_t* out, std::size_t count) {
    std::fill(out, out + count, 0);
    std::size_t read = 0;
    while (read < count) {
        if (read > 0) {
            if (text.empty() || text.front() != ',')
                break;
            text.remove_prefix(1);
        }
        const Scanned s = Scan(text, 10);
        if (!s.digits)
            break;
        out[read++] = ToSigned(s);
    }
    return read;
}

std::string WithoutChars(std::string_view text, std::string_view drop) {
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (drop.find(c) == std::string_view::npos)
            kept.push_back(c);
    }
    return kept;
}

} // namespace keywright
