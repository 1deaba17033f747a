#include "engine/KeyMonitor.h"

#include <array>
#include <chrono>

namespace keywright::HidUsbFilter {
namespace {

// After a failed or cancelled key wait: long enough not to spin on a filter
// that refuses every request, short enough that a reopened channel is used
// at once.
constexpr std::chrono::milliseconds kRetryDelay{10};

} // namespace

KeyMonitor::KeyMonitor(platform::FilterService& filter, Clock& clock)
    : readerWake_(clock), channel_(filter, [this] { readerWake_.Wake(); }),
      reader_(
          [this] {
              channel_.CancelEvent().Set();
              readerWake_.Set();
          },
          [this] { readerWake_.Reset(); }) {}

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
    // From a listener this only requests the stop; the next StopReader or
    // RestartReader from outside collects the thread.
    reader_.Stop();
}

bool KeyMonitor::RestartReader() {
    const auto result = reader_.Restart([this] { ReaderMain(); },
                                        [this] {
                                            channel_.Control(IOCTL_VHIDFLT_PRESTART_1);
                                            channel_.Control(IOCTL_VHIDFLT_PRESTART_2);
                                        });
    return result == RestartableWorker::StartResult::Started;
}

bool KeyMonitor::IsReading() const {
    return reader_.IsRunning();
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
    for (;;) {
        // Taken before anything is looked at, so a wake that comes after the
        // look is not lost.
        const std::uint64_t ticket = readerWake_.WakeTicket();
        // Cleared before the stop flag is looked at: a stop clears the flag
        // before it sets the event, so the reader either sees the stop here
        // or has its next key wait ended by the event.
        channel_.CancelEvent().Reset();
        if (!reader_.KeepGoing())
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
            // On the monitor's clock; a stop ends the delay at once.
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
