#pragma once

#include "base/KeyCode.h"
#include "settings/KeyRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace keywright {

// The 4-byte answer to IOCTL_VHIDFLT_WAIT_KEY, little-endian: bytes 0-1 the
// usage id, byte 2 the usage page, byte 3 flags (bit 0 set = the key went
// down; bits 1-7 carry nothing we use).
struct KeyEvent {
    static constexpr std::size_t kSize = 4;

    std::uint16_t usage = 0;
    std::uint8_t page = 0;
    std::uint8_t flags = 0;

    static KeyEvent Decode(const std::array<std::uint8_t, kSize>& bytes);
    int Down() const { return flags & 1; }
    KeyCode Code() const { return MakeKeyCode(page, usage); }
};

// The input of IOCTL_VHIDFLT_SET_KEY_TABLE: 256 entries of 4 bytes telling
// the filter which keys carry an assignment. Entry i (records in store order,
// at most 256, the rest zero): bytes 0-1 the low byte of the record's code
// (LE16; only the low byte survives, whatever the usage), byte 2 the page
// (bits 16-23 of the code), byte 3 the flag 0x02. Every record is listed,
// whatever its kind or mode.
using KeyTable = std::array<std::uint8_t, 1024>;
constexpr std::size_t kKeyTableEntries = 256;
constexpr std::uint8_t kKeyTableFlag = 0x02;
// The clear form sent at teardown: 256 zero bytes (not 1024).
constexpr std::size_t kKeyTableClearLength = 256;

KeyTable BuildKeyTable(const std::vector<KeyRecord>& records);

} // namespace keywright
