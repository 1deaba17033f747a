#include "platform/linux/FilterControl.h"

namespace keywright::platform::lnx {

// One lock and one condition for every wait of a FilterControl and for its
// cancel signals, so a Set() wakes exactly the waits that watch it.
struct FilterControl::Hub {
    std::mutex mutex;
    std::condition_variable changed;
};

class FilterControl::Signal final : public CancelSignal {
  public:
    explicit Signal(std::shared_ptr<Hub> hub) : hub_(std::move(hub)) {}

    void Set() override {
        {
            std::lock_guard lock(hub_->mutex);
            set_ = true;
        }
        hub_->changed.notify_all();
    }
    void Reset() override {
        std::lock_guard lock(hub_->mutex);
        set_ = false;
    }

    const Hub* hub() const { return hub_.get(); }
    // Under the hub's lock.
    bool IsSet() const { return set_; }
    void Consume() { set_ = false; }

  private:
    const std::shared_ptr<Hub> hub_;
    bool set_ = false; // guarded by hub_->mutex
};

FilterControl::FilterControl()
    : hub_(std::make_shared<Hub>()), table_(std::make_shared<const FilterKeyTable>()) {}

FilterControl::~FilterControl() = default;

std::unique_ptr<CancelSignal> FilterControl::CreateCancelSignal() {
    return std::make_unique<Signal>(hub_);
}

FilterHandle FilterControl::OpenHandle() {
    std::lock_guard lock(hub_->mutex);
    const FilterHandle handle = next_++;
    open_.insert(handle);
    return handle;
}

std::optional<std::size_t> FilterControl::CloseHandle(FilterHandle handle) {
    std::size_t remaining = 0;
    {
        std::lock_guard lock(hub_->mutex);
        if (open_.erase(handle) == 0)
            return std::nullopt;
        remaining = open_.size();
    }
    hub_->changed.notify_all();
    return remaining;
}

ControlResult FilterControl::Control(FilterHandle handle, std::uint32_t code,
                                     const std::uint8_t* input, std::size_t inputLength,
                                     std::uint8_t* output, std::size_t outputLength,
                                     CancelSignal* cancel) {
    Signal* signal = nullptr;
    if (cancel != nullptr) {
        signal = dynamic_cast<Signal*>(cancel);
        if (signal == nullptr || signal->hub() != hub_.get())
            return ControlResult::Failed;
    }
    if (inputLength > 0 && input == nullptr)
        return ControlResult::Failed;

    std::unique_lock lock(hub_->mutex);
    if (!open_.contains(handle))
        return ControlResult::Failed;
    switch (code) {
    case IOCTL_VHIDFLT_SET_KEY_TABLE: {
        auto table = FilterKeyTable::Parse({input, inputLength});
        if (!table)
            return ControlResult::Failed;
        table_ = std::make_shared<const FilterKeyTable>(std::move(*table));
        return ControlResult::Completed;
    }
    case IOCTL_VHIDFLT_PRESTART_1:
    case IOCTL_VHIDFLT_PRESTART_2:
        queue_.clear();
        return ControlResult::Completed;
    case IOCTL_VHIDFLT_SET_VALUE:
        return ControlResult::Completed;
    case IOCTL_VHIDFLT_WAIT_KEY:
        lock.unlock();
        return WaitKey(handle, output, outputLength, signal);
    default:
        return ControlResult::Failed;
    }
}

ControlResult FilterControl::WaitKey(FilterHandle handle, std::uint8_t* output,
                                     std::size_t outputLength, Signal* signal) {
    if (output == nullptr || outputLength < kKeyEventBytes)
        return ControlResult::Failed;
    std::unique_lock lock(hub_->mutex);
    const auto ended = [&] {
        return !open_.contains(handle) || !queue_.empty() || (signal && signal->IsSet());
    };
    if (!ended()) {
        ++waiting_;
        hub_->changed.notify_all(); // for WaitForKeyWaits
        hub_->changed.wait(lock, ended);
        --waiting_;
    }
    if (!open_.contains(handle))
        return ControlResult::Failed;
    // A queued event wins over a cancel that came with it: the request
    // completes at once, and the signal stays set for the next wait.
    if (!queue_.empty()) {
        const KeyReport report = queue_.front();
        queue_.pop_front();
        output[0] = static_cast<std::uint8_t>(report.usage.usage & 0xFF);
        output[1] = static_cast<std::uint8_t>(report.usage.usage >> 8);
        output[2] = static_cast<std::uint8_t>(report.usage.page);
        output[3] = report.down ? 0x01 : 0x00;
        return ControlResult::Completed;
    }
    signal->Consume();
    return ControlResult::Cancelled;
}

bool FilterControl::Push(const KeyReport& report) {
    bool kept = true;
    {
        std::lock_guard lock(hub_->mutex);
        if (queue_.size() >= kQueueCapacity) {
            queue_.pop_front();
            kept = false;
        }
        queue_.push_back(report);
    }
    hub_->changed.notify_all();
    return kept;
}

void FilterControl::ClearEvents() {
    std::lock_guard lock(hub_->mutex);
    queue_.clear();
}

bool FilterControl::WaitForKeyWaits(std::size_t count, std::chrono::milliseconds patience) const {
    std::unique_lock lock(hub_->mutex);
    return hub_->changed.wait_for(lock, patience, [&] { return waiting_ >= count; });
}

std::shared_ptr<const FilterKeyTable> FilterControl::Table() const {
    std::lock_guard lock(hub_->mutex);
    return table_;
}

} // namespace keywright::platform::lnx
