#pragma once

#include <cstdint>

namespace keywright::platform::lnx {

// The Windows error codes this back end reports in HidWriteResult::error, so
// trace lines and checks above the seam read the same on every system.
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorSemTimeout = 121;
constexpr std::uint32_t kErrorBusy = 170;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

// The Windows error code closest to an errno value from a hidraw call:
// a vanished device is ERROR_DEVICE_NOT_CONNECTED, a USB stall or I/O error
// ERROR_GEN_FAILURE (what the Windows HID class driver reports for both), and
// anything not listed ERROR_GEN_FAILURE too.
std::uint32_t WindowsErrorFromErrno(int error);

} // namespace keywright::platform::lnx
