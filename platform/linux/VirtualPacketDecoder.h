#pragma once

#include "platform/linux/EvdevEvent.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace keywright::platform::lnx {

// The packets written to the virtual output device: 64 bytes, byte 0 the
// marker 0x05, byte 1 the report id, the report's data from byte 2:
//
//   id 1 keyboard  byte 2 unused; bytes 3-34 a 256-bit map, bit (u AND 7) of
//                  byte 3 + (u >> 3) set while keyboard-page usage u is down
//   id 2 mouse     byte 2 buttons (bit n = button n + 1); bytes 3, 4, 5 the
//                  signed X, Y and wheel movement
//   id 3 consumer  bytes 2-3 the consumer-page usage held, little-endian, 0 none
//   id 4 system    bytes 2-3 the generic-desktop system control held, 0 none
//
// Each report carries the whole state of its part of the device, as a HID
// input report does; the rest of the packet is ignored.
constexpr std::size_t kVirtualPacketLength = 64;
constexpr std::uint8_t kVirtualPacketMarker = 0x05;

enum class PacketVerdict {
    Decoded,
    TooShort,      // fewer than kVirtualPacketLength bytes
    BadMarker,     // byte 0 is not kVirtualPacketMarker
    UnknownReport, // byte 1 is not a report id 1-4
};

struct DecodedPacket {
    PacketVerdict verdict = PacketVerdict::Decoded;
    // Empty unless Decoded; when not empty, ends with SYN_REPORT.
    std::vector<EvdevEvent> events;
};

// Turns packets into the evdev events of a device that has the keys of
// EvdevUsageTable, the mouse buttons and REL_X, REL_Y and REL_WHEEL, by
// keeping the state of the four reports and comparing each packet with it.
//
// Keys are pressed and released by what all four reports hold together: a key
// that two usages give (KEY_BACKSLASH from 0x31 and 0x32, KEY_MUTE from the
// keyboard and the consumer report) goes up only when neither holds it any
// more. Usages without a key change the state but give no event.
//
// Order within one packet: releases first, by ascending key code; then the
// presses of modifier keys (the keyboard page's 0xE0-0xE7), then the other
// presses, each by ascending key code, so a combination written as one packet
// reads as the combined key (Shift before A); then REL_X, REL_Y, REL_WHEEL
// (those not zero); then SYN_REPORT. A packet that changes nothing gives no
// events at all, not an empty frame.
//
// Movement is relative, as in a HID mouse: every mouse packet moves by its X,
// Y and wheel bytes, also when they are the same as in the packet before.
//
// A packet that is not Decoded changes nothing. Not thread-safe.
class VirtualPacketDecoder {
  public:
    DecodedPacket Decode(std::span<const std::uint8_t> packet);

    // Events that release every key still held (empty when none is), then
    // SYN_REPORT; afterwards every report reads as all released.
    std::vector<EvdevEvent> ReleaseAll();

  private:
    using KeySet = std::bitset<0x300>; // KEY_CNT

    KeySet HeldKeys() const;
    // Releases and presses from `before` to the current state, then `motion`.
    std::vector<EvdevEvent> Difference(const KeySet& before,
                                       std::span<const EvdevEvent> motion) const;

    std::array<std::uint8_t, 32> keyboard_{};
    std::uint8_t buttons_ = 0;
    std::uint16_t consumer_ = 0;
    std::uint16_t system_ = 0;
};

} // namespace keywright::platform::lnx
