#pragma once

#include <array>
#include <cstdint>

namespace keywright::platform {

// A GUID in the Windows layout (Data1..Data4), used for interface classes.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
};

// The HID device interface class {4D1E55B2-F16F-11CF-88CB-001111000030}.
constexpr Guid kHidInterfaceClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

} // namespace keywright::platform
