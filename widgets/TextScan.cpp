#include "widgets/TextScan.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace keywright::widgets {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void SkipSpaces(std::string_view& text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
}

// One "%d" conversion from the front of `text`, consuming what it reads.
// nullopt (consuming nothing) when no digit follows the optional sign.
std::optional<qint32> TakeDecimal(std::string_view& text) {
    std::string_view rest = text;
    SkipSpaces(rest);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.front() < '0' || rest.front() > '9')
        return std::nullopt;
    // Accumulated as a magnitude that stops growing past 2^31.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') {
        magnitude = std::min(magnitude * 10 + (rest.front() - '0'), kLimit);
        rest.remove_prefix(1);
    }
    text = rest;
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<qint32>(std::clamp<std::int64_t>(value, std::numeric_limits<qint32>::min(),
                                                        std::numeric_limits<qint32>::max()));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

qint32 ReadDecimal(std::string_view text) {
    return TakeDecimal(text).value_or(0);
}

std::optional<quint32> ReadHex(std::string_view text) {
    SkipSpaces(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // "0x" is a prefix only when a hexadecimal digit follows it; "0xg" reads
    // as the number 0.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        HexDigit(text[2]) >= 0)
        text.remove_prefix(2);
    if (text.empty() || HexDigit(text.front()) < 0)
        return std::nullopt;
    quint32 value = 0;
    while (!text.empty() && HexDigit(text.front()) >= 0) {
        value = (value << 4) | static_cast<quint32>(HexDigit(text.front()));
        text.remove_prefix(1);
    }
    return negative ? ~value + 1u : value;
}

std::size_t ScanDecimalList(std::string_view text, qint32* out, std::size_t count) {
    std::fill(out, out + count, 0);
    std::size_t read = 0;
    while (read < count) {
        if (read > 0) {
            if (text.empty() || text.front() != ',')
                break;
            text.remove_prefix(1);
        }
        const std::optional<qint32> value = TakeDecimal(text);
        if (!value)
            break;
        out[read++] = *value;
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

} // namespace keywright::widgets
