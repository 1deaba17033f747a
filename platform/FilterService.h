#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace keywright::platform {

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
    virtual ControlResult Control(FilterHandle handle, std::uint32_t code, const std::uint8_t* input,
                                  std::size_t inputLength, std::uint8_t* output,
                                  std::size_t outputLength, CancelSignal* cancel) = 0;
};

} // namespace keywright::platform
