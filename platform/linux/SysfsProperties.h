#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace keywright::platform::lnx {

// The parsed HID_ID property of a hid device: "0003:00001A2C:00009FF6".
struct HidId {
    std::uint16_t bus = 0; // 0x03 USB, 0x05 Bluetooth, 0x06 virtual (uhid may claim any)
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// Accepts exactly "BBBB:VVVVVVVV:PPPPPPPP" in hex (either case); vendor and
// product must fit 16 bits, as every HID transport gives them.
std::optional<HidId> ParseHidId(std::string_view text);

// The interface number a HID_PHYS value ends in, as "/input1" in
// "usb-0000:00:14.0-3/input1" (decimal); -1 when there is no such suffix or
// it is above 255. Used for devices without a USB parent, such as uhid ones,
// whose creator writes the USB-style phys text.
int InterfaceFromPhys(std::string_view phys);

// The bInterfaceNumber attribute of a USB interface: two hex digits ("01"),
// a trailing newline allowed. -1 when malformed.
int ParseInterfaceNumber(std::string_view text);

// The bcdDevice attribute of a USB device: four hex digits ("0105"), a
// trailing newline allowed. 0 when malformed.
std::uint16_t ParseBcdDevice(std::string_view text);

} // namespace keywright::platform::lnx
