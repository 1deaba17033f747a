#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace keywright::platform {

// The keyboard filter's control requests: device type 0x22
// (FILE_DEVICE_UNKNOWN), METHOD_BUFFERED, function and access as noted.
// Function 0x802, read access; no buffers. First of the pair sent before
// every start of the key reader.
constexpr std::uint32_t IOCTL_VHIDFLT_PRESTART_1 = 0x00226008;
// Function 0x803, read access; no buffers. Second of the pair.
constexpr std::uint32_t IOCTL_VHIDFLT_PRESTART_2 = 0x0022600C;
// Function 0x804, read access; input a 32-bit value (always 0).
constexpr std::uint32_t IOCTL_VHIDFLT_SET_VALUE = 0x00226010;
// Function 0x811, read access; output a 4-byte key event (usage LE16, page,
// flags bit 0 = down). One outstanding at a time, by the key reader.
constexpr std::uint32_t IOCTL_VHIDFLT_WAIT_KEY = 0x00226044;
// Function 0x800, write access; input a 1024-byte key table, or 256 zero
// bytes to clear it.
constexpr std::uint32_t IOCTL_VHIDFLT_SET_KEY_TABLE = 0x0022A000;

// A handle on the keyboard filter's control device; same conventions as
// HidHandle (0 none, all bits set a failed open).
using FilterHandle = std::uintptr_t;
constexpr FilterHandle kNoFilter = 0;
constexpr FilterHandle kInvalidFilter = ~FilterHandle{0};

// An auto-reset event that abandons a control request waiting on it: a
// Set() while a request waits ends that wait (the request is cancelled); a
// Set() with no request waiting is kept until the next wait or Reset().
class CancelSignal {
  public:
    virtual ~CancelSignal() = default;
    virtual void Set() = 0;
    virtual void Reset() = 0;
};

enum class ControlResult {
    Completed, // the filter finished the request; the output holds its answer
    Failed,    // refused, or the channel is gone
    Cancelled, // the cancel signal ended the wait; the request was withdrawn
};

// The keyboard filter's control device: open it by name and send it control
// requests. Each request carries its own completion, so requests from
// several threads may be outstanding on one handle at once. Thread-safe.
class FilterService {
  public:
    virtual ~FilterService() = default;

    virtual std::unique_ptr<CancelSignal> CreateCancelSignal() = 0;

    // access and share as Windows takes them; kInvalidFilter when the device
    // is not there.
    virtual FilterHandle Open(const std::string& deviceName, std::uint32_t access,
                              std::uint32_t share) = 0;
    // Withdraws the calling thread's outstanding requests on the handle, then
    // closes it. Requests of other threads end as Failed.
    virtual void Close(FilterHandle handle) = 0;

    // Sends one request and waits for it with no time limit, or until
    // `cancel` (may be null) is set.
    virtual ControlResult Control(FilterHandle handle, std::uint32_t code,
                                  const std::uint8_t* input, std::size_t inputLength,
                                  std::uint8_t* output, std::size_t outputLength,
                                  CancelSignal* cancel) = 0;
};

} // namespace keywright::platform
