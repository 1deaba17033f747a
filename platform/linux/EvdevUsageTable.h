#pragma once

#include "base/KeyCode.h"

#include <cstdint>
#include <optional>
#include <span>

namespace keywright::platform::lnx {

// A HID usage: the page and the usage id on it.
struct HidUsage {
    std::uint16_t page = 0;
    std::uint16_t usage = 0;

    friend bool operator==(const HidUsage&, const HidUsage&) = default;
};

// The evdev key codes of HID usages, as the kernel's HID input layer
// (hid-input) gives them for a keyboard, consumer-control or system-control
// collection, so that a key re-emitted through uinput reads exactly as the
// same key of a real keyboard, and a key read from the keyboard's event nodes
// maps back to the usage the keyboard sent.
//
// Covered: the keyboard page (0x07, usages 0x00-0xFF), the consumer page
// (0x0C) and the system controls of the generic-desktop page (0x81 Power,
// 0x82 Sleep, 0x83 Wake). Usages that hid-input leaves unmapped or maps to
// KEY_UNKNOWN, or to something that is not a key (Volume 0x0E0 is an axis,
// AC Pan 0x238 a wheel, Function Buttons 0x036 a button), have no key here.

// The key of a usage; nullopt when it has none.
std::optional<std::uint16_t> KeyForUsage(HidUsage usage);

// The usage a key reads as; nullopt for codes no covered usage produces
// (mouse buttons included). Where several usages give one key, the usage
// a keyboard sends for it wins:
//   1. the system controls (KEY_POWER, KEY_SLEEP, KEY_WAKEUP);
//   2. the keyboard page's own keys, lowest usage first (KEY_BACKSLASH is
//      0x31, not the non-US 0x32; KEY_DELETE is 0x4C, not Clear 0x9C);
//   3. the consumer page, lowest usage first; keyboards send Mute and the
//      volume keys here (0xE2, 0xE9, 0xEA), so these win over the keyboard
//      page's seldom-used 0x7F-0x81;
//   4. the rest of the keyboard page: 0x7F-0x81 and the media keys hid-input
//      accepts at 0xE8-0xFB, which are not in the HID usage tables.
std::optional<HidUsage> UsageForKey(std::uint16_t code);

// Every key KeyForUsage can give, ascending, each once.
std::span<const std::uint16_t> KeysWithUsage();

// Mouse buttons as bits of a HID mouse report's button byte: bit n is button
// n + 1, which hid-input gives as BTN_MOUSE + n (BTN_LEFT, BTN_RIGHT,
// BTN_MIDDLE, BTN_SIDE, BTN_EXTRA, BTN_FORWARD, BTN_BACK, BTN_TASK).
constexpr unsigned kMouseButtonBits = 8;
std::optional<std::uint16_t> MouseButtonKey(unsigned bit);
std::optional<unsigned> MouseButtonBit(std::uint16_t code);

} // namespace keywright::platform::lnx
