#include "platform/sim/SimFilterService.h"

#include "platform/HidService.h"
#include "platform/sim/SimTrace.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace keywright::sim {
namespace {

using platform::ControlResult;
using platform::FilterHandle;

constexpr std::size_t kEntryBytes = 4;
constexpr std::size_t kMaxEntries = 256;

// The access a control code asks for, from its bits 14-15.
constexpr std::uint32_t kFileReadAccess = 1;
constexpr std::uint32_t kFileWriteAccess = 2;

std::uint32_t RightsOf(std::uint32_t openAccess) {
    std::uint32_t rights = 0;
    if ((openAccess & platform::kGenericRead) != 0) {
        rights |= kFileReadAccess;
    }
    if ((openAccess & platform::kGenericWrite) != 0) {
        rights |= kFileWriteAccess;
    }
    return rights;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool AllZero(const std::uint8_t* bytes, std::size_t length) {
    return std::all_of(bytes, bytes + length, [](std::uint8_t b) { return b == 0; });
}

} // namespace

// The lock and wake-up shared by the service and its cancel signals.
struct SimFilterService::Core {
    std::mutex mutex;
    std::condition_variable changed;
};

// An auto-reset event: a Set is used up by the wait it ends, or kept until
// the next wait or Reset. Guarded by the core's mutex, so setting it and
// checking it in a wait cannot miss each other.
class SimFilterService::Signal final : public platform::CancelSignal {
  public:
    explicit Signal(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    void Set() override {
        {
            std::lock_guard lock(core_->mutex);
            set_ = true;
        }
        core_->changed.notify_all();
    }

    void Reset() override {
        std::lock_guard lock(core_->mutex);
        set_ = false;
    }

    // Under the core's lock.
    bool TakeLocked() { return std::exchange(set_, false); }
    const Core* Owner() const { return core_.get(); }

  private:
    std::shared_ptr<Core> core_;
    bool set_ = false;
};

SimFilterService::SimFilterService(bool installed, bool trace, std::ostream* traceOutput)
    : trace_(trace && traceOutput != nullptr), traceOutput_(traceOutput),
      core_(std::make_shared<Core>()), installed_(installed) {}

SimFilterService::~SimFilterService() = default;

std::unique_ptr<platform::CancelSignal> SimFilterService::CreateCancelSignal() {
    return std::make_unique<Signal>(core_);
}

FilterHandle SimFilterService::Open(const std::string& deviceName, std::uint32_t access,
                                    std::uint32_t /*share*/) {
    std::lock_guard lock(core_->mutex);
    if (!installed_ || !SameName(deviceName, kDeviceName)) {
        return platform::kInvalidFilter;
    }
    const FilterHandle handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = {access, true};
    return handle;
}

void SimFilterService::Close(FilterHandle handle) {
    {
        std::lock_guard lock(core_->mutex);
        if (handles_.erase(handle) == 0) {
            return;
        }
        FailOrphanedWaitsLocked();
    }
    core_->changed.notify_all();
}

bool SimFilterService::UsableLocked(FilterHandle handle) const {
    const auto it = handles_.find(handle);
    return it != handles_.end() && it->second.alive;
}

void SimFilterService::FailOrphanedWaitsLocked() {
    for (auto it = waits_.begin(); it != waits_.end();) {
        if (UsableLocked((*it)->handle)) {
            ++it;
            continue;
        }
        (*it)->state = KeyWait::State::Failed;
        it = waits_.erase(it);
    }
}

ControlResult SimFilterService::Control(FilterHandle handle, std::uint32_t code,
                                        const std::uint8_t* input, std::size_t inputLength,
                                        std::uint8_t* output, std::size_t outputLength,
                                        platform::CancelSignal* cancel) {
    Signal* signal = dynamic_cast<Signal*>(cancel);
    std::unique_lock lock(core_->mutex);
    if (!UsableLocked(handle) || (input == nullptr && inputLength != 0) ||
        (output == nullptr && outputLength != 0) ||
        (cancel != nullptr && (signal == nullptr || signal->Owner() != core_.get()))) {
        return ControlResult::Failed;
    }
    const std::uint32_t wanted = (code >> 14) & 3;
    if ((wanted & ~RightsOf(handles_.at(handle).access)) != 0) {
        return ControlResult::Failed;
    }
    requests_.push_back({code, {input, input + inputLength}});
    TraceLocked(code, input, inputLength);

    switch (code) {
    case kPrestart1:
    case kPrestart2:
        // As the Linux filter does: a new reader does not act on keys
        // pressed while none ran.
        queue_.clear();
        return ControlResult::Completed;
    case kSetValue:
        return inputLength == 4 ? ControlResult::Completed : ControlResult::Failed;
    case kSetKeyTable: {
        if (inputLength == 0 || inputLength % kEntryBytes != 0 ||
            inputLength > kMaxEntries * kEntryBytes) {
            return ControlResult::Failed;
        }
        std::vector<SimKeyTableEntry> table;
        for (std::size_t at = 0; at < inputLength; at += kEntryBytes) {
            if (AllZero(input + at, kEntryBytes)) {
                continue;
            }
            const auto usage = static_cast<std::uint16_t>(input[at] | (input[at + 1] << 8));
            table.push_back({input[at + 2], usage, input[at + 3]});
        }
        keyTable_ = std::move(table);
        return ControlResult::Completed;
    }
    case kWaitKey:
        break;
    default:
        return ControlResult::Failed;
    }

    if (outputLength < kEntryBytes) {
        return ControlResult::Failed;
    }
    if (!queue_.empty()) {
        std::copy(queue_.front().begin(), queue_.front().end(), output);
        queue_.pop_front();
        return ControlResult::Completed;
    }
    KeyWait wait;
    wait.handle = handle;
    wait.cancel = signal;
    waits_.push_back(&wait);
    core_->changed.notify_all(); // for WaitForKeyWait
    for (;;) {
        if (wait.state == KeyWait::State::Completed) {
            std::copy(std::begin(wait.event), std::end(wait.event), output);
            return ControlResult::Completed;
        }
        if (wait.state == KeyWait::State::Failed) {
            return ControlResult::Failed;
        }
        if (signal != nullptr && signal->TakeLocked()) {
            waits_.remove(&wait);
            return ControlResult::Cancelled;
        }
        core_->changed.wait(lock);
    }
}

void SimFilterService::TraceLocked(std::uint32_t code, const std::uint8_t* input,
                                   std::size_t length) const {
    if (!trace_) {
        return;
    }
    std::string line = "sim: filter ioctl ";
    AppendHex(line, code, 8);
    const bool table = code == kSetKeyTable && length != 0 && length % kEntryBytes == 0;
    if (!table) {
        AppendHexBytes(line, input, length);
    } else if (AllZero(input, length)) {
        line += " (" + std::to_string(length) + " zero bytes)";
    } else {
        for (std::size_t at = 0; at < length; at += kEntryBytes) {
            if (!AllZero(input + at, kEntryBytes)) {
                AppendHexBytes(line, input + at, kEntryBytes);
            }
        }
    }
    WriteTraceLine(*traceOutput_, line);
}

void SimFilterService::SetInstalled(bool installed) {
    {
        std::lock_guard lock(core_->mutex);
        installed_ = installed;
        if (installed) {
            return;
        }
        for (auto& [handle, state] : handles_) {
            state.alive = false;
        }
        FailOrphanedWaitsLocked();
    }
    core_->changed.notify_all();
}

bool SimFilterService::Installed() const {
    std::lock_guard lock(core_->mutex);
    return installed_;
}

void SimFilterService::InjectKey(std::uint8_t page, std::uint16_t usage, bool down) {
    const std::array<std::uint8_t, 4> event{static_cast<std::uint8_t>(usage & 0xFF),
                                            static_cast<std::uint8_t>(usage >> 8), page,
                                            static_cast<std::uint8_t>(down ? 1 : 0)};
    {
        std::lock_guard lock(core_->mutex);
        if (waits_.empty()) {
            queue_.push_back(event);
            return;
        }
        KeyWait* wait = waits_.front();
        waits_.pop_front();
        std::copy(event.begin(), event.end(), std::begin(wait->event));
        wait->state = KeyWait::State::Completed;
    }
    core_->changed.notify_all();
}

std::size_t SimFilterService::QueuedKeys() const {
    std::lock_guard lock(core_->mutex);
    return queue_.size();
}

bool SimFilterService::WaitForKeyWait(std::chrono::milliseconds timeout, std::size_t count) const {
    std::unique_lock lock(core_->mutex);
    return core_->changed.wait_for(lock, timeout, [&] { return waits_.size() >= count; });
}

std::vector<SimFilterRequest> SimFilterService::Requests() const {
    std::lock_guard lock(core_->mutex);
    return requests_;
}

void SimFilterService::ClearRequests() {
    std::lock_guard lock(core_->mutex);
    requests_.clear();
}

std::optional<std::vector<SimKeyTableEntry>> SimFilterService::KeyTable() const {
    std::lock_guard lock(core_->mutex);
    return keyTable_;
}

std::size_t SimFilterService::OpenHandles() const {
    std::lock_guard lock(core_->mutex);
    return handles_.size();
}

} // namespace keywright::sim
