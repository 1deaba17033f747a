#pragma once

#include "platform/HidService.h"
#include "platform/linux/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

namespace keywright::platform::lnx {

// Output report writes with a time limit on a descriptor whose write() blocks
// (hidraw writes are synchronous: they return when the device took the report
// or the USB transfer failed or timed out, about 5 s at most).
//
// A worker thread of this writer, started on the first Write, performs the
// write(); Write waits for it at most `timeoutMs`. The outcome, in the form of
// an overlapped WriteFile on a Windows HID handle (the class driver queues
// every write there, so it always starts pending):
//
//   finished in time         Start::Pending, error 997, finished = true, bytes
//   write() failed in time   Start::Failed, error = WindowsErrorFromErrno(errno)
//   not finished in time     Start::Pending, error 997, finished = false
//
// Start::Completed is never reported.
//
// A write that did not finish in time cannot be cancelled (the kernel waits
// for the USB transfer uninterruptibly); it keeps running, and its report may
// still reach the device. It is retired before the next write on this writer
// starts: the next Write first waits for it, within its own time limit, and
// when it is still running at that limit, the new report is dropped unsent
// and the result is again "not finished in time". So at most one write is in
// the kernel per writer, and reports reach the device in call order.
//
// Thread-safe; concurrent Write calls are served one after the other, each
// within its own time limit.
class TimedWriter {
  public:
    explicit TimedWriter(std::shared_ptr<FileDescriptor> fd);
    // Stops the worker. A worker still blocked in write() is left to finish
    // on its own (it owns what it uses, the descriptor included), so this
    // never waits for the device.
    ~TimedWriter();
    TimedWriter(const TimedWriter&) = delete;
    TimedWriter& operator=(const TimedWriter&) = delete;

    HidWriteResult Write(const std::uint8_t* report, std::size_t length, std::uint32_t timeoutMs);

  private:
    struct State;
    static void Run(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread worker_; // started by the first Write, by the caller being served
};

} // namespace keywright::platform::lnx
