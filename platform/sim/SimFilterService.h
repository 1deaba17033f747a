#pragma once

#include "platform/FilterService.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::sim {

// One control request as it reached the filter: its code and input bytes.
struct SimFilterRequest {
    std::uint32_t code = 0;
    std::vector<std::uint8_t> input;

    friend bool operator==(const SimFilterRequest&, const SimFilterRequest&) = default;
};

// One entry of a key table, decoded from its 4 bytes (usage LE16, page,
// flags).
struct SimKeyTableEntry {
    std::uint8_t page = 0;
    // The entry's 16-bit usage field. The system puts only the low byte of
    // the key's usage there, so anything above 0xFF here is a fault.
    std::uint16_t usage = 0;
    std::uint8_t flags = 0;

    friend bool operator==(const SimKeyTableEntry&, const SimKeyTableEntry&) = default;
};

// The simulated keyboard filter driver behind the control device
// "\\.\vhidflt", as the platform's FilterService, plus the handles a test
// (or a --simulate start) drives it by. Thread-safe.
//
// Opening: the name matches without regard to case and only while the
// filter is installed; anything else gives kInvalidFilter. Handles are
// increasing numbers from 0x8000 in steps of 4, never reused. Uninstalling
// kills every open handle for good (its waits end Failed, later requests
// fail); only Close still works on it.
//
// Requests. The I/O manager's checks come first: an unknown, closed or dead
// handle, a null buffer with a non-zero length, a cancel signal that did
// not come from this service, or a code whose access bits (14-15: 1 read,
// 2 write) ask for a right the handle was not opened with (GENERIC_READ
// gives read, GENERIC_WRITE write) fail at once and never reach the filter:
// not recorded, not traced. Every other request is recorded in order
// (Requests) and traced, then answered:
//
//   0x00226008 PRESTART_1, 0x0022600C PRESTART_2   Completed; each drops the
//                             queued key events, as the Linux filter does (the
//                             program sends the pair before it starts a reader)
//   0x00226010 SET_VALUE      exactly 4 input bytes, else Failed
//   0x0022A000 SET_KEY_TABLE  4·n input bytes, n 1..256, else Failed; the
//                             table is kept (KeyTable): the 256 zero bytes of
//                             the clear form leave an empty table
//   0x00226044 WAIT_KEY       output of at least 4 bytes, else Failed; takes
//                             the oldest queued key event, or waits for one
//   any other code            Failed
//
// WAIT_KEY writes the event into the first 4 output bytes: usage LE16, page,
// flags (bit 0 set = down); the rest of the output is left alone. With an
// event queued it completes at once, even when its cancel signal is set.
// Otherwise it waits with no time limit until InjectKey hands it an event
// (Completed), its cancel signal is set (Cancelled; the set is used up, as
// an auto-reset event's is), or its handle is closed or dies (Failed).
// Several waits may be outstanding, on one handle or several; events go to
// them oldest first. Other requests never wait, so the UI thread's requests
// pass while the reader's wait is outstanding on the same handle.
//
// With tracing on, each recorded request prints one line:
//   sim: filter ioctl 00226010 00 00 00 00
// the code as 8 lowercase hex digits, then the input bytes. A key table
// prints only its non-zero 4-byte entries ("e1 00 07 02 e9 00 0c 02"), or
// "(N zero bytes)" when it is all zero, which tells the cleared form (256)
// from an empty table (1024). A request without input prints the code only.
class SimFilterService final : public platform::FilterService {
  public:
    static constexpr std::string_view kDeviceName = "\\\\.\\vhidflt";
    static constexpr std::uint32_t kPrestart1 = platform::IOCTL_VHIDFLT_PRESTART_1;
    static constexpr std::uint32_t kPrestart2 = platform::IOCTL_VHIDFLT_PRESTART_2;
    static constexpr std::uint32_t kSetValue = platform::IOCTL_VHIDFLT_SET_VALUE;
    static constexpr std::uint32_t kWaitKey = platform::IOCTL_VHIDFLT_WAIT_KEY;
    static constexpr std::uint32_t kSetKeyTable = platform::IOCTL_VHIDFLT_SET_KEY_TABLE;

    // traceOutput null or trace false: no trace.
    SimFilterService(bool installed, bool trace, std::ostream* traceOutput);
    ~SimFilterService() override;
    SimFilterService(const SimFilterService&) = delete;
    SimFilterService& operator=(const SimFilterService&) = delete;

    // The platform side.
    std::unique_ptr<platform::CancelSignal> CreateCancelSignal() override;
    platform::FilterHandle Open(const std::string& deviceName, std::uint32_t access,
                                std::uint32_t share) override;
    void Close(platform::FilterHandle handle) override;
    platform::ControlResult Control(platform::FilterHandle handle, std::uint32_t code,
                                    const std::uint8_t* input, std::size_t inputLength,
                                    std::uint8_t* output, std::size_t outputLength,
                                    platform::CancelSignal* cancel) override;

    // The world's side.

    // Installing lets the control device open again; uninstalling kills
    // the open handles (above). The key queue and the key table stay.
    void SetInstalled(bool installed);
    bool Installed() const;

    // A key of the keyboard goes down or up: handed to the oldest waiting
    // WAIT_KEY before this returns, or queued for the next one. Events stay
    // queued across closes and uninstalls, until a PRESTART drops them.
    void InjectKey(std::uint8_t page, std::uint16_t usage, bool down);
    // Events injected and not yet taken by a WAIT_KEY.
    std::size_t QueuedKeys() const;

    // Waits until at least `count` WAIT_KEYs are outstanding with no event
    // for them; false if the time (real time: this waits for an outcome)
    // ran out. As InjectKey hands its event over before it returns, a true
    // answer after an injection means the reader has come back for the next
    // event: the last one was dispatched.
    bool WaitForKeyWait(std::chrono::milliseconds timeout, std::size_t count = 1) const;

    // Every request that reached the filter, in order.
    std::vector<SimFilterRequest> Requests() const;
    void ClearRequests();
    // The non-zero entries of the last key table, in table order (the
    // system fills the table from the front, one entry per record); empty
    // after a cleared or all-zero table; nullopt until the first table.
    // Kept across closes and ClearRequests.
    std::optional<std::vector<SimKeyTableEntry>> KeyTable() const;
    // Handles opened and not yet closed (dead ones included).
    std::size_t OpenHandles() const;

  private:
    struct Core;
    class Signal;
    struct HandleState {
        std::uint32_t access = 0;
        bool alive = true;
    };
    struct KeyWait {
        platform::FilterHandle handle = platform::kNoFilter;
        Signal* cancel = nullptr;
        enum class State { Waiting, Completed, Failed } state = State::Waiting;
        std::uint8_t event[4] = {};
    };

    // Under the core's lock.
    void TraceLocked(std::uint32_t code, const std::uint8_t* input, std::size_t length) const;
    bool UsableLocked(platform::FilterHandle handle) const;
    // Ends as Failed every wait whose handle is closed or dead.
    void FailOrphanedWaitsLocked();

    const bool trace_;
    std::ostream* const traceOutput_;
    // Shared with the cancel signals, which may outlive the service.
    std::shared_ptr<Core> core_;
    // The rest is guarded by the core's mutex.
    bool installed_;
    std::map<platform::FilterHandle, HandleState> handles_;
    platform::FilterHandle nextHandle_ = 0x8000;
    std::deque<std::array<std::uint8_t, 4>> queue_;
    std::list<KeyWait*> waits_; // waiting, oldest first
    std::vector<SimFilterRequest> requests_;
    std::optional<std::vector<SimKeyTableEntry>> keyTable_;
};

} // namespace keywright::sim
