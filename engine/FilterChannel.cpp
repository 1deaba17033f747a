#include "engine/FilterChannel.h"

namespace keywright {

FilterChannel::FilterChannel(platform::FilterService& filter, std::function<void()> opened)
    : filter_(filter), opened_(std::move(opened)), cancelEvent_(filter.CreateCancelSignal()) {}

FilterChannel::~FilterChannel() {
    Close();
}

platform::FilterHandle FilterChannel::Open() {
    std::lock_guard lock(openLock_);
    // Close inline (openLock_ is held): the same steps as Close().
    if (const platform::FilterHandle old = handle_.exchange(platform::kInvalidFilter);
        old != platform::kInvalidFilter && old != platform::kNoFilter) {
        cancelEvent_->Set();
        filter_.Close(old);
    }
    deviceName_ = kDeviceName;
    platform::FilterHandle handle = filter_.Open(deviceName_, access_, kShare);
    if (handle == platform::kNoFilter)
        handle = platform::kInvalidFilter;
    handle_ = handle;
    if (handle != platform::kInvalidFilter && opened_)
        opened_();
    return handle;
}

void FilterChannel::Close() {
    std::lock_guard lock(openLock_);
    // Marked closed before the handle goes, so a request started from now on
    // is skipped instead of reaching a closed handle.
    const platform::FilterHandle old = handle_.exchange(platform::kInvalidFilter);
    if (old == platform::kInvalidFilter || old == platform::kNoFilter)
        return;
    cancelEvent_->Set();
    filter_.Close(old);
}

bool FilterChannel::IsOpen() const {
    return handle_.load() != platform::kInvalidFilter;
}

bool FilterChannel::Control(std::uint32_t code, const void* input, std::size_t inputLength,
                            void* output, std::size_t outputLength) {
    const platform::FilterHandle handle = handle_;
    if (handle == platform::kInvalidFilter)
        return false;
    return filter_.Control(handle, code, static_cast<const std::uint8_t*>(input), inputLength,
                           static_cast<std::uint8_t*>(output), outputLength,
                           nullptr) == platform::ControlResult::Completed;
}

platform::ControlResult FilterChannel::ControlUntilCancelled(std::uint32_t code, void* output,
                                                             std::size_t outputLength) {
    const platform::FilterHandle handle = handle_;
    if (handle == platform::kInvalidFilter)
        return platform::ControlResult::Failed;
    return filter_.Control(handle, code, nullptr, 0, static_cast<std::uint8_t*>(output),
                           outputLength, cancelEvent_.get());
}

std::string FilterChannel::DeviceName() const {
    std::lock_guard lock(openLock_);
    return deviceName_;
}

} // namespace keywright
