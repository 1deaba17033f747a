#pragma once

#include "platform/linux/EvdevUsageTable.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace keywright::platform::lnx {

// The keys the keyboard filter holds back, from the bytes of a key table
// request: entries of 4 bytes, each
//
//   bytes 0-1  usage, little-endian; only its low byte counts (the program
//              writes usage AND 0xFF, so consumer 0x192 arrives as 0x92)
//   byte 2     usage page
//   byte 3     flags; bit 1 (0x02) holds the key back
//
// An entry without flag 0x02 (the zero padding after the last record) holds
// nothing. A key is held back when an entry has its page and the low byte of
// its usage, so usages that share a low byte on one page share an entry.
class FilterKeyTable {
  public:
    static constexpr std::size_t kEntryBytes = 4;
    static constexpr std::size_t kMaxEntries = 256;
    static constexpr std::uint8_t kHoldBack = 0x02;

    // Empty: holds nothing.
    FilterKeyTable() = default;

    // Any whole number of entries up to kMaxEntries (the full 1024-byte table,
    // or the 256 zero bytes that clear it); nullopt otherwise.
    static std::optional<FilterKeyTable> Parse(std::span<const std::uint8_t> bytes);

    bool HoldsBack(HidUsage usage) const;
    bool Empty() const { return held_.none(); }

  private:
    std::bitset<0x10000> held_; // bit page << 8 | low byte of the usage
};

} // namespace keywright::platform::lnx
