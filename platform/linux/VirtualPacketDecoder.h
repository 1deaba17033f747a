#pragma once

#include "platform/VirtualDevice.h"
#include "platform/linux/EvdevEvent.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace keywright::platform::lnx {

enum class PacketVerdict {
    Decoded,
    TooShort,      // fewer than kVirtualPacketLength bytes
    BadMarker,     // byte 0 is not kVirtualPacketMarker
    UnknownReport, // byte 1 is none of the four report ids
};

struct DecodedPacket {
    PacketVerdict verdict = PacketVerdict::Decoded;
    // Empty unless Decoded; when not empty, ends with SYN_REPORT.
    std::vector<EvdevEvent> events;
};

// Turns the virtual output device's packets (platform/VirtualDevice.h) into
// the evdev events of a device that has the keys of EvdevUsageTable, the mouse
// buttons and REL_X, REL_Y and REL_WHEEL, by keeping the state of the four
// reports and comparing each packet with it.
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

    std::array<std::uint8_t, kVirtualKeyboardReportLength - kVirtualKeyboardMapOffset> keyboard_{};
    std::uint8_t buttons_ = 0;
    std::uint16_t consumer_ = 0;
    std::uint16_t system_ = 0;
};

} // namespace keywright::platform::lnx
