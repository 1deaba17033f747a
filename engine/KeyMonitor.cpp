#include "engine/KeyMonitor.h"

#include <array>
#include <chrono>
#include <system_error>

namespace keywright::HidUsbFilter {
namespace {

// After a failed or cancelled key wait: long enough not to spin on a filter
// that refuses every request, short enough that a reopened channel is used
// at once.
constexpr std::chrono::milliseconds kRetryDelay{10};

} // namespace

KeyMonitor::KeyMonitor(platform::FilterService& filter)
    : channel_(filter, [this] { readerWake_.Wake(); }) {}

KeyMonitor::~KeyMonitor() {
    StopReader();
    const std::array<std::uint8_t, kKeyTableClearLength> clear{};
    channel_.Control(IOCTL_VHIDFLT_SET_KEY_TABLE, clear.data(), clear.size());
    {
        std::lock_guard lock(listenerLock_);
        listeners_.clear();
    }
    channel_.Close();
}

std::size_t KeyMonitor::ListenerCount() const {
    std::lock_guard lock(listenerLock_);
    return listeners_.size();
}

bool KeyMonitor::HasListeners() const {
    return ListenerCount() != 0;
}

bool KeyMonitor::InDispatch() const {
    return dispatchingThread_.load() == std::this_thread::get_id();
}

void KeyMonitor::StopReader() {
    if (InDispatch()) {
        // From a listener: the reader cannot wait for itself. Request the
        // stop; the next StopReader or RestartReader from outside collects
        // the thread.
        readerThreadId_ = std::thread::id{};
        channel_.CancelEvent().Set();
        readerWake_.Set();
        return;
    }
    std::lock_guard control(controlLock_);
    StopReaderLocked();
}

void KeyMonitor::StopReaderLocked() {
    if (!readerHandle_.joinable())
        return;
    // Cleared before the cancel event is set: the reader clears the event at
    // the top of each turn and only then checks its id, so it either sees
    // the cleared id or has its next wait ended by the event.
    readerThreadId_ = std::thread::id{};
    channel_.CancelEvent().Set();
    readerWake_.Set();
    readerHandle_.join();
}

bool KeyMonitor::RestartReader() {
    if (InDispatch())
        return false;
    std::lock_guard control(controlLock_);
    StopReaderLocked();
    channel_.Control(IOCTL_VHIDFLT_PRESTART_1);
    channel_.Control(IOCTL_VHIDFLT_PRESTART_2);
    readerWake_.Reset();
    std::lock_guard gate(startGate_);
    try {
        readerHandle_ = std::thread([this] { ReaderMain(); });
    } catch (const std::system_error&) {
        return false;
    }
    readerThreadId_ = readerHandle_.get_id();
    return true;
}

bool KeyMonitor::IsReading() const {
    return readerThreadId_.load() != std::thread::id{};
}

void KeyMonitor::SetValue(std::uint32_t value) {
    const std::array<std::uint8_t, 4> input{
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    channel_.Control(IOCTL_VHIDFLT_SET_VALUE, input.data(), input.size());
}

void KeyMonitor::SendKeyTable(const RecordStore& store) {
    if (!channel_.IsOpen())
        return;
    // Held for the whole build: a change on the UI thread publishes a new
    // list and leaves this one alone.
    const std::shared_ptr<const RecordStore::Records> records = store.Snapshot();
    const KeyTable table = BuildKeyTable(*records);
    channel_.Control(IOCTL_VHIDFLT_SET_KEY_TABLE, table.data(), table.size());
}

void KeyMonitor::ReaderMain() {
    { std::lock_guard gate(startGate_); }
    const std::thread::id self = std::this_thread::get_id();
    for (;;) {
        // Taken before anything is looked at, so a wake that comes after the
        // look is not lost.
        const std::uint64_t ticket = readerWake_.WakeTicket();
        channel_.CancelEvent().Reset();
        if (readerThreadId_.load() != self)
            return;
        if (!HasListeners() || !channel_.IsOpen()) {
            // Nothing to ask the filter for: sleep until that changes.
            readerWake_.WaitForWake(ticket);
            continue;
        }

        std::array<std::uint8_t, KeyEvent::kSize> bytes{};
        switch (
            channel_.ControlUntilCancelled(IOCTL_VHIDFLT_WAIT_KEY, bytes.data(), bytes.size())) {
        case platform::ControlResult::Completed:
            Dispatch(KeyEvent::Decode(bytes));
            break;
        case platform::ControlResult::Cancelled:
        case platform::ControlResult::Failed:
            // A stop ends the delay at once.
            readerWake_.WaitFor(kRetryDelay);
            break;
        }
    }
}

void KeyMonitor::Dispatch(const KeyEvent& event) {
    std::lock_guard lock(listenerLock_);
    dispatchingThread_ = std::this_thread::get_id();
    for (const auto& listener : listeners_) {
        if (listener->OnKey(event.page, event.usage, event.Down()) != 0)
            break;
    }
    dispatchingThread_ = std::thread::id{};
}

} // namespace keywright::HidUsbFilter
