#pragma once

#include <cstdint>

namespace keywright::platform::lnx {

// One evdev event without its time stamp (type, code and value as in struct
// input_event). The kernel stamps events written to a uinput device itself.
struct EvdevEvent {
    std::uint16_t type = 0;
    std::uint16_t code = 0;
    std::int32_t value = 0;

    friend bool operator==(const EvdevEvent&, const EvdevEvent&) = default;
};

} // namespace keywright::platform::lnx
