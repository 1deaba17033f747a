#include "platform/linux/HidrawPath.h"

#include <charconv>
#include <cstdio>

namespace keywright::platform::lnx {
namespace {

constexpr std::string_view kPrefix = "\\\\?\\hid#";
constexpr std::string_view kClassSuffix = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr std::string_view kNodePrefix = "hidraw";

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

// One path; `number` is the 1-based collection number, `numbered` whether
// the "&colXX" part is present.
std::string RenderPath(const HidrawIdentity& identity, std::size_t number, bool numbered,
                       std::string_view node) {
    std::string path(kPrefix);
    path += "vid_" + Hex(identity.vendorId, 4) + "&pid_" + Hex(identity.productId, 4);
    if (identity.interfaceNumber >= 0)
        path += "&mi_" + Hex(static_cast<unsigned>(identity.interfaceNumber), 2);
    if (numbered)
        path += "&col" + Hex(static_cast<unsigned>(number), 2);
    path += '#';
    path += node;
    path += '&' + Hex(static_cast<unsigned>(number), 4);
    path += kClassSuffix;
    return path;
}

// Reads the hex digits at the front of `text` (at most `maxDigits`, at least
// one) and drops them from it.
std::optional<unsigned> TakeHex(std::string_view& text, std::size_t maxDigits) {
    std::size_t n = 0;
    while (n < text.size() && n < maxDigits &&
           ((text[n] >= '0' && text[n] <= '9') || (text[n] >= 'a' && text[n] <= 'f')))
        ++n;
    if (n == 0)
        return std::nullopt;
    unsigned value = 0;
    std::from_chars(text.data(), text.data() + n, value, 16);
    text.remove_prefix(n);
    return value;
}

bool TakeLiteral(std::string_view& text, std::string_view literal) {
    if (!text.starts_with(literal))
        return false;
    text.remove_prefix(literal.size());
    return true;
}

} // namespace

std::vector<std::string> SynthesizeInterfacePaths(const HidrawIdentity& identity,
                                                  std::size_t collectionCount,
                                                  std::string_view node) {
    std::vector<std::string> paths;
    paths.reserve(collectionCount);
    for (std::size_t number = 1; number <= collectionCount; ++number)
        paths.push_back(RenderPath(identity, number, collectionCount > 1, node));
    return paths;
}

std::optional<HidrawPathTarget> ParseInterfacePath(std::string_view path) {
    // Longer than any path we produce; also bounds the work below.
    if (path.size() > 256)
        return std::nullopt;
    std::string lower(path);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');

    // Read the fields loosely, then accept the path only if rendering those
    // fields gives it back exactly: whatever passes is a path we produce.
    std::string_view rest = lower;
    HidrawIdentity identity;
    if (!TakeLiteral(rest, kPrefix) || !TakeLiteral(rest, "vid_"))
        return std::nullopt;
    const auto vendor = TakeHex(rest, 4);
    if (!vendor || !TakeLiteral(rest, "&pid_"))
        return std::nullopt;
    const auto product = TakeHex(rest, 4);
    if (!product)
        return std::nullopt;
    identity.vendorId = static_cast<std::uint16_t>(*vendor);
    identity.productId = static_cast<std::uint16_t>(*product);
    if (TakeLiteral(rest, "&mi_")) {
        const auto interfaceNumber = TakeHex(rest, 2);
        if (!interfaceNumber)
            return std::nullopt;
        identity.interfaceNumber = static_cast<int>(*interfaceNumber);
    }
    std::optional<unsigned> labelled;
    if (TakeLiteral(rest, "&col")) {
        labelled = TakeHex(rest, 4);
        if (!labelled)
            return std::nullopt;
    }
    if (!TakeLiteral(rest, "#") || !TakeLiteral(rest, kNodePrefix))
        return std::nullopt;

    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 9 || (digits > 1 && rest[0] == '0'))
        return std::nullopt;
    std::string node(kNodePrefix);
    node += rest.substr(0, digits);
    rest.remove_prefix(digits);

    if (!TakeLiteral(rest, "&"))
        return std::nullopt;
    const auto number = TakeHex(rest, 4);
    if (!number || *number == 0 || (labelled && *labelled != *number) ||
        (!labelled && *number != 1))
        return std::nullopt;

    if (RenderPath(identity, *number, labelled.has_value(), node) != lower)
        return std::nullopt;
    return HidrawPathTarget{std::move(node), *number - 1, identity};
}

} // namespace keywright::platform::lnx
