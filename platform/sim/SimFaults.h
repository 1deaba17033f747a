#pragma once

#include <cstdint>

namespace keywright::sim {

// Faults a test injects into one simulated device. All off by default; any
// combination may be set. They act on transfers that reach a plugged device
// through a handle opened for reading and writing; a transfer that fails
// or times out never reaches the device (not recorded, not traced).
struct SimFaults {
    // SetFeature and GetFeature return false; Write fails to start with
    // error 31 (ERROR_GEN_FAILURE). Takes precedence over the write faults.
    bool transfersFail = false;
    // Write returns Pending (error 997) with finished = false at once: the
    // time limit is treated as spent without waiting for it, so tests of the
    // time-out path stay fast. Takes precedence over writesPend.
    bool writesTimeOut = false;
    // Write returns Pending (error 997), then finished = true with the bytes
    // transferred: the asynchronous completion path.
    bool writesPend = false;
    // Non-zero: output reports are this many bytes at most. GetCaps reports
    // the shorter length and a longer write transfers only that many bytes
    // (the device sees and records only those).
    std::uint16_t outputReportLengthCut = 0;
    // Opens with access rights fail with HidOpenError::PermissionDenied.
    // Query opens (access 0) still work, as they do for a device the user
    // may list but not use.
    bool openDenied = false;
};

} // namespace keywright::sim
