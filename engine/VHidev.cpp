#include "engine/VHidev.h"

#include "platform/WindowsErrors.h"

#include <algorithm>

namespace keywright {
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;

// The error code CreateFile would leave for the trace line.
std::uint32_t OpenErrorCode(const platform::HidOpenResult& result) {
    switch (result.error) {
    case platform::HidOpenError::NotFound:
        return kErrorFileNotFound;
    case platform::HidOpenError::PermissionDenied:
        return platform::kErrorAccessDenied;
    case platform::HidOpenError::None:
    case platform::HidOpenError::Other:
        break;
    }
    return platform::kErrorGenFailure;
}

void SetBit(std::vector<std::uint8_t>& data, std::size_t byte, unsigned bit, bool set) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    if (set)
        data[byte] = static_cast<std::uint8_t>(data[byte] | mask);
    else
        data[byte] = static_cast<std::uint8_t>(data[byte] & ~mask);
}

void SetUsage16(std::vector<std::uint8_t>& data, std::uint16_t usage) {
    data[0] = static_cast<std::uint8_t>(usage & 0xFF);
    data[1] = static_cast<std::uint8_t>(usage >> 8);
}

} // namespace

VHidev::VHidev(platform::HidService& hid, Trace trace)
    : hid_(hid), trace_(std::move(trace)),
      keyboardReport_(kKeyboardReportId, platform::kVirtualKeyboardReportLength, *this),
      mouseReport_(kMouseReportId, platform::kVirtualMouseReportLength, *this),
      consumerReport_(kConsumerReportId, platform::kVirtualConsumerReportLength, *this),
      systemReport_(kSystemReportId, platform::kVirtualSystemReportLength, *this) {}

VHidev::~VHidev() {
    std::lock_guard lock(deviceLock_);
    if (platform::IsOpenHandle(device_))
        hid_.Close(device_);
}

bool VHidev::Send(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) {
    std::array<std::uint8_t, platform::kVirtualPacketLength> packet{};
    packet[0] = platform::kVirtualPacketMarker;
    std::size_t offset = platform::kVirtualReportIdOffset;
    if (reportId != 0)
        packet[offset++] = reportId;
    if (data != nullptr)
        std::copy_n(data, std::min(length, packet.size() - offset), packet.begin() + offset);

    std::lock_guard lock(deviceLock_);
    if (!platform::IsOpenHandle(device_))
        return false;
    const platform::HidWriteResult result =
        hid_.Write(device_, packet.data(), packet.size(), kNoTimeLimit);
    return result.start == platform::HidWriteResult::Start::Completed ||
           (result.start == platform::HidWriteResult::Start::Pending && result.finished);
}

bool VHidev::OutputUsage(std::uint16_t page, std::uint16_t usage, int down) {
    const bool pressed = down != 0;
    const unsigned low = usage & 0xFFu;
    std::lock_guard lock(deviceLock_);
    switch (page) {
    case kKeyboardPage:
        SetBit(keyboardReport_.Data(), platform::kVirtualKeyboardMapOffset + (low >> 3), low & 7u,
               pressed);
        return keyboardReport_.Send();
    case kMouseButtonPage:
        if (low < 8)
            SetBit(mouseReport_.Data(), 0, low, pressed);
        return mouseReport_.Send();
    case kGenericDesktopPage:
        if (usage >= 0x80) {
            SetUsage16(systemReport_.Data(), pressed ? usage : 0);
            return systemReport_.Send();
        }
        // The axes take the usage id itself as their value, pressed or not,
        // and keep it until ReleaseAll.
        switch (usage) {
        case 0x30:
            mouseReport_.Data()[1] = 0x30;
            return mouseReport_.Send();
        case 0x31:
            mouseReport_.Data()[2] = 0x31;
            return mouseReport_.Send();
        case 0x38:
            mouseReport_.Data()[3] = 0x38;
            return mouseReport_.Send();
        default:
            return false;
        }
    case kConsumerPage:
        SetUsage16(consumerReport_.Data(), pressed ? usage : 0);
        return consumerReport_.Send();
    default:
        return false;
    }
}

bool VHidev::SetKeyboardBit(std::uint16_t usage, int down) {
    return OutputUsage(kKeyboardPage, usage, down);
}

void VHidev::ReleaseAll() {
    std::lock_guard lock(deviceLock_);
    for (Report* report : {&keyboardReport_, &mouseReport_, &consumerReport_, &systemReport_}) {
        report->Clear();
        report->Send();
    }
}

bool VHidev::HasDevice() const {
    std::lock_guard lock(deviceLock_);
    return platform::IsOpenHandle(device_);
}

bool VHidev::TestInterface(platform::HidHandle handle) {
    platform::HidAttributes attributes;
    if (!hid_.GetAttributes(handle, attributes)) {
        trace_("Error: HidD_GetAttributes failed \n");
        return false;
    }
    trace_(TraceLine("Device Attributes - PID: 0x%x, VID: 0x%x \n",
                     static_cast<unsigned>(attributes.productId),
                     static_cast<unsigned>(attributes.vendorId)));
    if (attributes.vendorId != platform::kVirtualDeviceVendorId ||
        attributes.productId != platform::kVirtualDeviceProductId) {
        trace_("Device attributes doesn't match the sample \n");
        return false;
    }
    // The service reads the preparsed data and the capabilities in one call;
    // a failure is reported as the first of the two.
    platform::HidCaps caps;
    if (!hid_.GetCaps(handle, caps)) {
        trace_("Error: HidD_GetPreparsedData failed \n");
        return false;
    }
    if (caps.usagePage != platform::kVirtualDeviceUsagePage ||
        caps.usage != platform::kVirtualDeviceUsage)
        return false;
    trace_("Success: Found my device.. \n");
    return true;
}

bool VHidev::FindVirtualDevice() {
    // Held over the whole search: a packet written meanwhile waits for the
    // device that comes out of it.
    std::lock_guard lock(deviceLock_);
    if (platform::IsOpenHandle(device_))
        hid_.Close(device_);
    device_ = platform::kInvalidHid;

    const std::vector<platform::HidInterfaceEntry> entries = hid_.ListInterfaces();
    if (entries.empty()) {
        trace_("Error: No active device interfaces found.\n Is the sample driver loaded?");
        return false;
    }
    trace_(TraceLine("\n....looking for our HID device (with UP=0x%04X and Usage=0x%02X)\n",
                     static_cast<unsigned>(platform::kVirtualDeviceUsagePage),
                     static_cast<unsigned>(platform::kVirtualDeviceUsage)));
    for (const platform::HidInterfaceEntry& entry : entries) {
        const platform::HidOpenResult opened =
            hid_.Open(entry.path, platform::kGenericRead | platform::kGenericWrite,
                      platform::kShareRead | platform::kShareWrite, false);
        if (!platform::IsOpenHandle(opened.handle)) {
            trace_(TraceLine("Warning: CreateFile failed: %d\n",
                             static_cast<int>(OpenErrorCode(opened))));
            continue;
        }
        if (TestInterface(opened.handle)) {
            // The search goes on to the end of the list: the last passing
            // interface wins.
            if (platform::IsOpenHandle(device_))
                hid_.Close(device_);
            device_ = opened.handle;
        } else {
            hid_.Close(opened.handle);
        }
    }
    return platform::IsOpenHandle(device_);
}

} // namespace keywright
