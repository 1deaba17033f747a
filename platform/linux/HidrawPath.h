#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::platform::lnx {

// What identifies one hidraw node's device in a Windows-form path.
struct HidrawIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1; // USB interface number 0..255; -1 when unknown
};

// A path mapped back to the node and collection it names.
struct HidrawPathTarget {
    std::string node;                // "hidraw3": a name under /dev, never anything else
    std::size_t collectionIndex = 0; // 0-based, in descriptor order
    HidrawIdentity identity;
};

// The interface paths of one hidraw node, one per top-level collection, in
// descriptor order, in the Windows form the rest of the program parses:
//
//   \\?\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007#{4d1e55b2-f16f-11cf-88cb-001111000030}
//
// Lowercase hex. "&mi_XX" only when the interface number is known; "&colXX"
// (collections numbered from 01, at least two hex digits, as Windows numbers
// them) only when the node has more than one top-level collection.
//
// The instance part, "<node>&<NNNN>", is ours: the hidraw node name, then the
// 1-based collection number in four lowercase hex digits, present also when
// the node has a single collection. It holds no '#', so the part boundaries
// stay where Windows puts them.
std::vector<std::string> SynthesizeInterfacePaths(const HidrawIdentity& identity,
                                                  std::size_t collectionCount,
                                                  std::string_view node);

// The reverse of SynthesizeInterfacePaths: accepts exactly the paths it
// produces (the fixed parts case-insensitively) and nothing else. The node
// must be "hidraw" followed by decimal digits without a leading zero, so the
// result can only ever name /dev/hidrawN; the "&colXX" part, when present,
// must agree with the instance's collection number, and a path without it
// must name collection 1.
std::optional<HidrawPathTarget> ParseInterfacePath(std::string_view path);

} // namespace keywright::platform::lnx
