#pragma once

#include <cstdint>

namespace keywright {

// A key's identity across the whole program: HID usage page in bits 16..31,
// usage id in bits 0..15. The keyboard page is 0x07, the consumer page 0x0C;
// page 0x01 holds the system controls and, by our own convention, the mouse
// buttons 1..5. Zero means "no key".
using KeyCode = std::uint32_t;

constexpr KeyCode MakeKeyCode(std::uint16_t page, std::uint16_t usage) {
    return (KeyCode{page} << 16) | usage;
}
constexpr std::uint16_t PageOf(KeyCode code) {
    return static_cast<std::uint16_t>(code >> 16);
}
constexpr std::uint16_t UsageOf(KeyCode code) {
    return static_cast<std::uint16_t>(code & 0xFFFF);
}

constexpr std::uint16_t kKeyboardPage = 0x07;
constexpr std::uint16_t kConsumerPage = 0x0C;
constexpr std::uint16_t kGenericDesktopPage = 0x01;
// The first of the vendor-defined pages (0xFF00-0xFFFF): the keyboard's
// command collection and the virtual output device use it.
constexpr std::uint16_t kVendorDefinedPage = 0xFF00;

} // namespace keywright
