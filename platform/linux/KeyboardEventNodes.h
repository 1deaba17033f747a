#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct udev;
struct udev_device;

namespace keywright::platform::lnx {

// A keyboard whose event nodes the keyboard filter takes: exact vendor and
// product ids, never a wildcard.
struct FilteredKeyboard {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;

    friend bool operator==(const FilteredKeyboard&, const FilteredKeyboard&) = default;
};

// The supported keyboards (the same rows as the program's table of supported
// keyboards; a test keeps the two in step).
constexpr std::array<FilteredKeyboard, 2> kFilteredKeyboards{{
    {0x1A2C, 0x9FF6},
    {0x1A2C, 0x0116},
}};

bool IsFilteredKeyboard(std::uint16_t vendorId, std::uint16_t productId,
                        std::span<const FilteredKeyboard> keyboards);

// The node ("/dev/input/event5") of `device` when it is an evdev node whose
// HID device (its "hid" parent, by HID_ID) is one of `keyboards`; nothing
// otherwise. Input devices without a HID parent, our own uinput devices
// among them, never match.
std::optional<std::string> FilteredEventNode(udev_device* device,
                                             std::span<const FilteredKeyboard> keyboards);

// Every present evdev node of `keyboards`, in udev's order; a line in
// `problems` when udev cannot be asked.
std::vector<std::string> ScanFilteredEventNodes(udev* context,
                                                std::span<const FilteredKeyboard> keyboards,
                                                std::vector<std::string>& problems);

} // namespace keywright::platform::lnx
