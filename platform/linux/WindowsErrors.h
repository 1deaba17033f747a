#pragma once

#include "platform/WindowsErrors.h"

#include <cstdint>

namespace keywright::platform::lnx {

// The Windows error code closest to an errno value from a hidraw call:
// a vanished device is ERROR_DEVICE_NOT_CONNECTED, a USB stall or I/O error
// ERROR_GEN_FAILURE (what the Windows HID class driver reports for both), and
// anything not listed ERROR_GEN_FAILURE too.
std::uint32_t WindowsErrorFromErrno(int error);

} // namespace keywright::platform::lnx
