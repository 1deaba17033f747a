#pragma once

#include <cstdint>

namespace keywright::sim {

// The Windows error codes the simulated HID service reports in
// HidWriteResult::error, so code above the seam sees the values it would
// see on Windows.
constexpr std::uint32_t kSimErrorInvalidFunction = 1;
constexpr std::uint32_t kSimErrorAccessDenied = 5;
constexpr std::uint32_t kSimErrorInvalidHandle = 6;
constexpr std::uint32_t kSimErrorGenFailure = 31;
constexpr std::uint32_t kSimErrorInvalidParameter = 87;
constexpr std::uint32_t kSimErrorDeviceNotConnected = 1167;

} // namespace keywright::sim
