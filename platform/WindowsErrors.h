#pragma once

#include <cstdint>

namespace keywright::platform {

// The Windows error codes the HID service reports (HidWriteResult::error), on
// every back end, so trace lines and checks above the seam read the same on
// every system.
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorSemTimeout = 121;
constexpr std::uint32_t kErrorBusy = 170;
constexpr std::uint32_t kErrorIoPending = 997;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

} // namespace keywright::platform
