#pragma once

#include "platform/FilterService.h"
#include "platform/linux/FilterKeyTable.h"
#include "platform/linux/KeyboardNodeFilter.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

namespace keywright::platform::lnx {

// The bytes a WAIT_KEY request completes with: usage little-endian, page,
// flags (bit 0 set when the key went down).
constexpr std::size_t kKeyEventBytes = 4;

// The keyboard filter's side of its control requests, without any device:
// the open handles, the key table, and the queue of key events that WAIT_KEY
// requests take. The reader that watches the keyboard (KeyboardFilterReader)
// feeds it events and reads its table. Thread-safe.
//
// Requests:
//   SET_KEY_TABLE  a FilterKeyTable (a whole number of 4-byte entries, at
//                  most 256: the 1024-byte table or the 256 zero bytes that
//                  clear it); Failed for any other input. The table stays set
//                  until the next one, also across closing and reopening.
//   WAIT_KEY       completes with the oldest queued event, at once when one
//                  is queued, else when one arrives; Cancelled when its cancel
//                  signal is set first; Failed when the handle closes first,
//                  or when the output has room for fewer than 4 bytes.
//   PRESTART_1, PRESTART_2
//                  Completed. The program sends this pair right before it
//                  starts a key reader; both drop the events queued so far, so
//                  the new reader does not act on keys pressed while no
//                  reader ran (the program stops its reader around its own
//                  dialogs, and would otherwise replay what was typed there).
//   SET_VALUE      Completed, no effect (nothing on Linux depends on it).
// Any other code, and any request on a handle that is not open, is Failed.
//
// The queue keeps the newest kQueueCapacity events; older ones are dropped.
class FilterControl {
  public:
    static constexpr std::size_t kQueueCapacity = 256;

    FilterControl();
    ~FilterControl();
    FilterControl(const FilterControl&) = delete;
    FilterControl& operator=(const FilterControl&) = delete;

    std::unique_ptr<CancelSignal> CreateCancelSignal();

    FilterHandle OpenHandle();
    // Ends the handle's waits (they fail) and returns how many handles stay
    // open; nullopt when `handle` was not open.
    std::optional<std::size_t> CloseHandle(FilterHandle handle);

    // A cancel signal from another FilterControl cannot end a wait here: the
    // request then fails at once rather than wait without it.
    ControlResult Control(FilterHandle handle, std::uint32_t code, const std::uint8_t* input,
                          std::size_t inputLength, std::uint8_t* output, std::size_t outputLength,
                          CancelSignal* cancel);

    // Queues an event for WAIT_KEY; false when the queue was full and its
    // oldest event was dropped to make room.
    bool Push(const KeyReport& report);
    // Drops every queued event.
    void ClearEvents();
    // The key table now in force; never null.
    std::shared_ptr<const FilterKeyTable> Table() const;

    // Waits until at least `count` WAIT_KEY requests wait with nothing yet to
    // end them; false when `patience` (real time) ran out first. For tests,
    // which must know that a wait is outstanding before they act on it.
    bool WaitForKeyWaits(std::size_t count, std::chrono::milliseconds patience) const;

  private:
    struct Hub;
    class Signal;

    ControlResult WaitKey(FilterHandle handle, std::uint8_t* output, std::size_t outputLength,
                          Signal* signal);

    std::shared_ptr<Hub> hub_; // shared with the cancel signals
    // Guarded by hub_->mutex.
    FilterHandle next_ = 1;
    std::set<FilterHandle> open_;
    std::deque<KeyReport> queue_;
    std::shared_ptr<const FilterKeyTable> table_;
    std::size_t waiting_ = 0; // WAIT_KEY requests in their wait
};

} // namespace keywright::platform::lnx
