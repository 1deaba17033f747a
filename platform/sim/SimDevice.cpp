#include "platform/sim/SimDevice.h"

#include "platform/WindowsErrors.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace keywright::sim {
namespace {

constexpr std::uint8_t kCommandReportId = 0x07;
constexpr std::uint8_t kSideLightIndex = 0x20;

bool IsCommands(const SimCollection& collection) {
    return collection.role == SimCollectionRole::KeyboardCommands;
}

} // namespace

SimDevice::SimDevice(SimDeviceSpec spec, std::vector<std::string> paths)
    : spec_(std::move(spec)), paths_(std::move(paths)), firmwareVersion_(spec_.firmwareVersion) {
    for (const SimInterface& iface : spec_.interfaces) {
        for (const SimCollection& collection : iface.collections) {
            endpoints_.push_back({iface.number, collection});
        }
    }
    if (paths_.size() != endpoints_.size()) {
        throw std::invalid_argument("SimDevice: one path per collection expected");
    }
}

void SimDevice::PlugIn() {
    plugged_ = true;
    ++plugging_;
    versionRequested_ = false;
}

void SimDevice::PullOut() {
    plugged_ = false;
}

platform::HidAttributes SimDevice::Attributes() const {
    return {spec_.vendorId, spec_.productId, spec_.versionNumber};
}

std::uint16_t SimDevice::OutputLength(std::size_t ordinal) const {
    const std::uint16_t length = endpoints_.at(ordinal).collection.outputReportByteLength;
    if (faults_.outputReportLengthCut != 0) {
        return std::min(length, faults_.outputReportLengthCut);
    }
    return length;
}

platform::HidCaps SimDevice::Caps(std::size_t ordinal) const {
    const SimCollection& c = endpoints_.at(ordinal).collection;
    return {c.usage, c.usagePage, c.inputReportByteLength, OutputLength(ordinal),
            c.featureReportByteLength};
}

void SimDevice::Record(SimReportKind kind, std::size_t ordinal, const std::uint8_t* bytes,
                       std::size_t length) {
    const Endpoint& endpoint = endpoints_.at(ordinal);
    reports_.push_back(
        {kind, endpoint.interfaceNumber, endpoint.collection.number, {bytes, bytes + length}});
}

bool SimDevice::SetFeature(std::size_t ordinal, const std::uint8_t* report, std::size_t length) {
    const SimCollection& collection = endpoints_.at(ordinal).collection;
    if (faults_.transfersFail || !IsCommands(collection) ||
        length != collection.featureReportByteLength || length < 8 ||
        report[0] != kCommandReportId) {
        return false;
    }
    Record(SimReportKind::SetFeature, ordinal, report, length);
    SimReportBytes bytes{};
    std::copy_n(report, bytes.size(), bytes.begin());
    versionRequested_ = bytes[1] == 0xF1;
    if (bytes[1] == 0xFF && bytes[2] == 0xFF) {
        if (bytes[3] < kEffectCount) {
            effects_.at(bytes[3]) = bytes;
        } else if (bytes[3] == kSideLightIndex) {
            sideLight_ = bytes;
        }
    }
    return true;
}

bool SimDevice::GetFeature(std::size_t ordinal, std::uint8_t* report, std::size_t length) {
    const SimCollection& collection = endpoints_.at(ordinal).collection;
    if (faults_.transfersFail || !IsCommands(collection) ||
        length != collection.featureReportByteLength || length < 8 ||
        report[0] != kCommandReportId) {
        return false;
    }
    std::fill_n(report + 1, length - 1, std::uint8_t{0});
    if (versionRequested_) {
        report[1] = static_cast<std::uint8_t>(firmwareVersion_ >> 8);
        report[2] = static_cast<std::uint8_t>(firmwareVersion_ & 0xFF);
    }
    Record(SimReportKind::GetFeature, ordinal, report, length);
    return true;
}

platform::HidWriteResult SimDevice::Write(std::size_t ordinal, const std::uint8_t* report,
                                          std::size_t length) {
    using Start = platform::HidWriteResult::Start;
    const std::uint16_t outputLength = OutputLength(ordinal);
    if (outputLength == 0) {
        return {Start::Failed, platform::kErrorInvalidFunction, false, 0};
    }
    if (length < outputLength) {
        return {Start::Failed, platform::kErrorInvalidParameter, false, 0};
    }
    if (faults_.transfersFail) {
        return {Start::Failed, platform::kErrorGenFailure, false, 0};
    }
    if (faults_.writesTimeOut) {
        return {Start::Pending, platform::kErrorIoPending, false, 0};
    }
    Record(SimReportKind::Write, ordinal, report, outputLength);
    if (IsCommands(endpoints_.at(ordinal).collection) && outputLength >= 3 &&
        report[0] == kCommandReportId && report[1] == 0xF0 && report[2] == 0xAA) {
        FactoryReset();
    }
    if (faults_.writesPend) {
        return {Start::Pending, platform::kErrorIoPending, true, outputLength};
    }
    return {Start::Completed, 0, false, outputLength};
}

void SimDevice::FactoryReset() {
    effects_ = {};
    sideLight_.reset();
    versionRequested_ = false;
    ++factoryResets_;
    leaveRequested_ = true;
}

bool SimDevice::TakeLeaveRequest() {
    return std::exchange(leaveRequested_, false);
}

} // namespace keywright::sim
