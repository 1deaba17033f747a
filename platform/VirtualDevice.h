#pragma once

#include "base/KeyCode.h"

#include <cstddef>
#include <cstdint>

namespace keywright::platform {

// The virtual output device: the contract between the program, which finds
// it among the HID interfaces and writes it packets (VHidev), and every back
// end that offers it (the Windows driver, linux/VirtualOutputDevice,
// sim/SimModels). Replacement keys, mouse buttons and axes, media keys and
// system controls reach the system through it.

// How the program's search recognises it: the interface's attributes carry
// this vendor and product, and its one top-level collection this usage page
// (the first vendor-defined page) and usage.
constexpr std::uint16_t kVirtualDeviceVendorId = 0xDEED;
constexpr std::uint16_t kVirtualDeviceProductId = 0xFEED;
constexpr std::uint16_t kVirtualDeviceUsagePage = kVendorDefinedPage;
constexpr std::uint16_t kVirtualDeviceUsage = 0x01;

// Every write is one packet of kVirtualPacketLength bytes:
//
//   byte 0    kVirtualPacketMarker, in the place where Windows puts the
//             report id of an output report
//   byte 1    the id of the input report the packet carries (below)
//   byte 2..  that report's data; the rest of the packet is zero and ignored
//
// A packet carries the whole state of its report, as a HID input report does:
// what it does not hold pressed is up. The program writes the whole packet
// whatever output report length a back end gives in the caps.
constexpr std::size_t kVirtualPacketLength = 64;
constexpr std::uint8_t kVirtualPacketMarker = 0x05;
constexpr std::size_t kVirtualReportIdOffset = 1;
constexpr std::size_t kVirtualReportDataOffset = 2;

// Report 1, keyboard, 33 bytes: byte 0 unused (zero); bytes 1-32 a map of
// the 256 keyboard-page usages, usage u down while bit (u & 7) of byte
// 1 + (u >> 3) is set.
constexpr std::uint8_t kVirtualKeyboardReport = 1;
constexpr std::size_t kVirtualKeyboardReportLength = 33;
constexpr std::size_t kVirtualKeyboardMapOffset = 1;

// Report 2, mouse, 4 bytes: byte 0 the buttons, bit n set while button n + 1
// is down (bit 0 left, 1 right, 2 middle, 3 back, 4 forward); bytes 1, 2, 3
// the X, Y and wheel movement, signed and relative: every mouse packet moves
// by them again.
constexpr std::uint8_t kVirtualMouseReport = 2;
constexpr std::size_t kVirtualMouseReportLength = 4;

// Report 3, consumer control, 2 bytes: the consumer-page usage held,
// little-endian; 0 when none is.
constexpr std::uint8_t kVirtualConsumerReport = 3;
constexpr std::size_t kVirtualConsumerReportLength = 2;

// Report 4, system control, 2 bytes: the generic-desktop system control held
// (0x81 power down, 0x82 sleep, 0x83 wake up, ...), little-endian; 0 when
// none is.
constexpr std::uint8_t kVirtualSystemReport = 4;
constexpr std::size_t kVirtualSystemReportLength = 2;

static_assert(kVirtualReportDataOffset + kVirtualKeyboardReportLength <= kVirtualPacketLength,
              "the longest report fits one packet");

} // namespace keywright::platform
