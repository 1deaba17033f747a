#pragma once

#include "platform/FilterService.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace keywright {

using platform::IOCTL_VHIDFLT_PRESTART_1;
using platform::IOCTL_VHIDFLT_PRESTART_2;
using platform::IOCTL_VHIDFLT_SET_KEY_TABLE;
using platform::IOCTL_VHIDFLT_SET_VALUE;
using platform::IOCTL_VHIDFLT_WAIT_KEY;

// The program's end of the keyboard filter's control device "\\.\vhidflt".
//
// Requests come from two threads: the UI thread (key table, start pair, set
// value, open and close) and the key reader (the key wait). Each request
// waits for its own completion, so a UI request never takes the reader's key
// event for its own. The cancel event belongs to the reader's wait: Close
// sets it, so a reader waiting on a handle that goes away wakes and moves on
// to whatever handle is open on its next turn.
//
// Thread-safe. The handle is read once per request; a Close racing a request
// of another thread makes that request fail (the filter service sees to
// that), never reach a freed handle.
class FilterChannel {
  public:
    static constexpr const char* kDeviceName = "\\\\.\\vhidflt";
    static constexpr std::uint32_t kAccess = 0xC0000000; // GENERIC_READ | GENERIC_WRITE
    static constexpr std::uint32_t kShare = 0x3;         // FILE_SHARE_READ | FILE_SHARE_WRITE

    // `opened` runs after every Open that got a handle (the key monitor wakes
    // its idle reader with it). It must not call back into the channel.
    explicit FilterChannel(platform::FilterService& filter, std::function<void()> opened = {});
    ~FilterChannel(); // Close
    FilterChannel(const FilterChannel&) = delete;
    FilterChannel& operator=(const FilterChannel&) = delete;

    // Closes the channel first, then opens the control device. The handle,
    // platform::kInvalidFilter when the device is not there (nothing is
    // reported: every request is then skipped).
    platform::FilterHandle Open();
    // If open: sets the cancel event, withdraws this thread's requests on the
    // handle and closes it.
    void Close();
    bool IsOpen() const;

    // One request, waited for without time limit. False when the channel is
    // closed or the filter refused or dropped it; callers ignore it.
    bool Control(std::uint32_t code, const void* input = nullptr, std::size_t inputLength = 0,
                 void* output = nullptr, std::size_t outputLength = 0);

    // The key reader's request: as Control, but the cancel event also ends
    // the wait (the request is then withdrawn and Cancelled returned).
    // Failed at once when the channel is closed.
    platform::ControlResult ControlUntilCancelled(std::uint32_t code, void* output,
                                                  std::size_t outputLength);

    // The reader's cancel event: auto-reset, created not set.
    platform::CancelSignal& CancelEvent() { return *cancelEvent_; }

    // "\\.\vhidflt" after the first Open, empty before.
    std::string DeviceName() const;
    std::uint32_t Access() const { return access_; }

  private:
    platform::FilterService& filter_;
    const std::function<void()> opened_;
    std::atomic<platform::FilterHandle> handle_{platform::kInvalidFilter};
    const std::unique_ptr<platform::CancelSignal> cancelEvent_;
    const std::uint32_t access_ = kAccess;
    // Serialises Open and Close, so two of them never interleave their
    // close-then-open; requests do not take it.
    mutable std::mutex openLock_;
    std::string deviceName_; // guarded by openLock_
};

} // namespace keywright
