#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace keywright::sim {

// The device-instance part of a path ("8&2a1b3c4d&0&0006"): the middle
// field is derived from the device serial (a bijection, so every device
// gets its own), the last from the collection's position in the device.
// Never contains '#'.
std::string SimInstanceId(std::uint32_t deviceSerial, std::size_t collectionOrdinal);

// A HID collection's interface path in the Windows form, lowercase:
//   \\?\hid#vid_1a2c&pid_9ff6&mi_01&col07#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}
// "&mi_NN" only when interfaceNumber >= 0, "&colNN" only when
// collectionNumber != 0; both numbers print as two hex digits.
std::string SimInterfacePath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                             int collectionNumber, std::string_view instance);

} // namespace keywright::sim
