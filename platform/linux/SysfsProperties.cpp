#include "platform/linux/SysfsProperties.h"

#include <charconv>

namespace keywright::platform::lnx {
namespace {

std::string_view TrimNewline(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    return text;
}

// Exactly `digits` hex digits, nothing else.
std::optional<std::uint32_t> FixedHex(std::string_view text, std::size_t digits) {
    if (text.size() != digits)
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<HidId> ParseHidId(std::string_view text) {
    text = TrimNewline(text);
    // "BBBB:VVVVVVVV:PPPPPPPP"
    if (text.size() != 22 || text[4] != ':' || text[13] != ':')
        return std::nullopt;
    const auto bus = FixedHex(text.substr(0, 4), 4);
    const auto vendor = FixedHex(text.substr(5, 8), 8);
    const auto product = FixedHex(text.substr(14, 8), 8);
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF)
        return std::nullopt;
    return HidId{static_cast<std::uint16_t>(*bus), static_cast<std::uint16_t>(*vendor),
                 static_cast<std::uint16_t>(*product)};
}

int InterfaceFromPhys(std::string_view phys) {
    phys = TrimNewline(phys);
    constexpr std::string_view kMarker = "/input";
    const std::size_t at = phys.rfind(kMarker);
    if (at == std::string_view::npos)
        return -1;
    const std::string_view digits = phys.substr(at + kMarker.size());
    if (digits.empty() || digits.size() > 3)
        return -1;
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size() || value > 255)
        return -1;
    return value;
}

int ParseInterfaceNumber(std::string_view text) {
    const auto value = FixedHex(TrimNewline(text), 2);
    return value ? static_cast<int>(*value) : -1;
}

std::uint16_t ParseBcdDevice(std::string_view text) {
    const auto value = FixedHex(TrimNewline(text), 4);
    return value ? static_cast<std::uint16_t>(*value) : 0;
}

} // namespace keywright::platform::lnx
