#pragma once

#include "platform/sim/SimDeviceSpec.h"

#include <cstdint>
#include <span>
#include <vector>

namespace keywright::sim {

// The built-in device models. Both supported keyboards share one layout:
//
//   mi_00          boot keyboard        page 0x01 usage 0x06  in 9  out 2
//   mi_01 col01    consumer control     page 0x0C usage 0x01  in 3
//   mi_01 col02    system control       page 0x01 usage 0x80  in 2
//   mi_01 col03    keyboard             page 0x01 usage 0x06  in 17 out 2
//   mi_01 col04    mouse                page 0x01 usage 0x02  in 7
//   mi_01 col05    vendor               page 0xFF01 usage 0x01 in 64
//   mi_01 col06    vendor               page 0xFF1C usage 0x92 feature 32
//   mi_01 col07    keyboard commands    page 0xFF00 usage 0x01 out 8 feature 8
//   mi_02 col01    vendor               page 0xFF02 usage 0x01 in 65 out 65
//   mi_02 col17    vendor               page 0xFF03 usage 0x01 feature 8
//
// Interface 1 is the keyboard's own: its collections come from its report
// descriptor (KeyboardInterface1Descriptor), split as Windows splits it.
//
// Only mi_01&col07 takes the keyboard's command reports. The others are
// there so that matching on anything less than vendor, product, interface
// and collection picks a wrong collection: col06 and mi_02&col17 have feature
// reports, mi_02&col17 of the same length and with a "col" suffix ending in 7,
// col03 and mi_02&col01 have output reports.
SimDeviceSpec KeyboardModel9ff6(); // 1A2C:9FF6
SimDeviceSpec KeyboardModel0116(); // 1A2C:0116
std::vector<SimDeviceSpec> SupportedKeyboards();
// The report descriptor of the supported keyboards' interface 1.
std::span<const std::uint8_t> KeyboardInterface1Descriptor();

// A mouse of another vendor (046D:C077): one interface, one collection, so
// its path carries neither &mi_ nor &col.
SimDeviceSpec DecoyMouse();
// A keyboard of another vendor (04D9:1702) with the supported keyboards'
// layout, command collection included: only the vendor and product tell it
// apart. It answers commands like them, so a test can assert it got none.
SimDeviceSpec DecoyKeyboard();

// The virtual output device (platform/VirtualDevice.h) as the driver
// installation puts it in (hardware id root\vhidev): one root-enumerated
// interface with a single collection, so its path carries neither &mi_ nor
// &col:
//
//   \\?\hid#vid_deed&pid_feed#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}
//
// Its output report is one packet long, counting the packet's marker byte as
// the report id, as Windows counts it: a write of a whole packet goes through,
// a shorter one fails (error 87), a longer one transfers a packet's length.
// Every packet is recorded (SimWorld::Packets) and traced as
// "sim: deed:feed write <64 bytes>".
SimDeviceSpec VirtualOutputDevice();
// Near misses of the virtual-device search, each failing exactly one of its
// tests and otherwise a copy of VirtualOutputDevice (packets to them are
// recorded the same way, so a test can assert they got none):
SimDeviceSpec VirtualDeviceWrongProduct();   // DEED:FEEE
SimDeviceSpec VirtualDeviceWrongUsagePage(); // page 0xFF01
SimDeviceSpec VirtualDeviceWrongUsage();     // usage 0x02

} // namespace keywright::sim
