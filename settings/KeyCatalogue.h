#pragma once

#include "base/KeyCode.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace keywright {

// One row of the built-in key catalogue. The scan codes are PS/2 scan code
// set 1, as the USB HID to PS/2 translation table publishes them; nothing in
// the program reads them, they are kept for completeness.
struct KeyInfo {
    std::uint16_t usage = 0;
    std::uint16_t page = 0;
    std::uint32_t makeCode = 0;  // 0xFFFFFF where the key has none
    std::uint32_t breakCode = 0; // 0xFFFFFF where the key has none
    std::uint32_t spare = 0;     // 0xFFFFFF in every row
    std::string_view name;

    constexpr KeyCode Code() const { return MakeKeyCode(page, usage); }
};

// The 205 rows, in catalogue order.
std::span<const KeyInfo> KeyCatalogue();

// The first row whose page and usage match, or the empty row (all zero, empty
// name) when the catalogue has none. Never fails.
const KeyInfo& FindKeyInfo(KeyCode code);
const KeyInfo& FindKeyInfo(std::uint16_t usage, std::uint16_t page);

} // namespace keywright
