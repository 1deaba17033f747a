#include "platform/linux/LinuxFilterService.h"

#include "platform/linux/KeyboardFilterReader.h"

#include <string_view>

namespace keywright::platform::lnx {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace

LinuxFilterService::LinuxFilterService() : LinuxFilterService(LinuxFilterOptions{}) {}

LinuxFilterService::LinuxFilterService(LinuxFilterOptions options) : options_(std::move(options)) {}

LinuxFilterService::~LinuxFilterService() {
    std::lock_guard lock(lifecycle_);
    reader_.reset();
}

std::unique_ptr<CancelSignal> LinuxFilterService::CreateCancelSignal() {
    return control_.CreateCancelSignal();
}

FilterHandle LinuxFilterService::Open(const std::string& deviceName, std::uint32_t /*access*/,
                                      std::uint32_t /*share*/) {
    if (!EqualsIgnoringCase(deviceName, kDeviceName))
        return kInvalidFilter;
    std::lock_guard lock(lifecycle_);
    if (!reader_) {
        if (const int error = ProbeUinput(options_.uinputPath); error != 0) {
            log_.Log(DescribeUinputProblem(options_.uinputPath, error) +
                     "; until then the keyboard filter does not open and key assignments stay "
                     "inactive");
            return kInvalidFilter;
        }
        auto reader = std::make_unique<KeyboardFilterReader>(control_, options_.uinputPath,
                                                             options_.keyboards, log_);
        if (!reader->Start())
            return kInvalidFilter;
        reader_ = std::move(reader);
    }
    return control_.OpenHandle();
}

bool LinuxFilterService::WaitForKeyWaits(std::size_t count,
                                         std::chrono::milliseconds patience) const {
    return control_.WaitForKeyWaits(count, patience);
}

bool LinuxFilterService::WaitForGrabs(std::size_t count, std::chrono::milliseconds patience) {
    std::lock_guard lock(lifecycle_);
    return reader_ && reader_->WaitForGrabs(count, patience);
}

bool LinuxFilterService::WaitForNoGrab(std::chrono::milliseconds patience) {
    std::lock_guard lock(lifecycle_);
    return reader_ && reader_->WaitForNoGrab(patience);
}

void LinuxFilterService::Close(FilterHandle handle) {
    std::lock_guard lock(lifecycle_);
    const std::optional<std::size_t> remaining = control_.CloseHandle(handle);
    if (remaining && *remaining == 0) {
        reader_.reset();
        control_.ClearEvents();
    }
}

ControlResult LinuxFilterService::Control(FilterHandle handle, std::uint32_t code,
                                          const std::uint8_t* input, std::size_t inputLength,
                                          std::uint8_t* output, std::size_t outputLength,
                                          CancelSignal* cancel) {
    return control_.Control(handle, code, input, inputLength, output, outputLength, cancel);
}

} // namespace keywright::platform::lnx
