#include "platform/sim/SimHidService.h"

#include "platform/WindowsErrors.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <cctype>

namespace keywright::sim {
namespace {

using platform::HidWriteResult;

constexpr std::uint32_t kReadWrite = platform::kGenericRead | platform::kGenericWrite;

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool MayTransfer(std::uint32_t access) {
    return (access & kReadWrite) == kReadWrite;
}

} // namespace

SimHidService::SimHidService(SimWorld& world) : world_(world) {}

std::vector<platform::HidInterfaceEntry> SimHidService::ListInterfaces() {
    std::lock_guard lock(world_.mutex_);
    std::vector<platform::HidInterfaceEntry> entries;
    for (const SimDeviceId id : world_.plugOrder_) {
        for (const std::string& path : world_.DeviceLocked(id).Paths()) {
            entries.push_back({path, platform::kHidInterfaceClass, platform::kInterfaceActive});
        }
    }
    return entries;
}

platform::HidOpenResult SimHidService::Open(const std::string& path, std::uint32_t access,
                                            std::uint32_t /*share*/, bool /*overlapped*/) {
    const std::string wanted = Lowercase(path);
    std::lock_guard lock(world_.mutex_);
    for (const SimDeviceId id : world_.plugOrder_) {
        const SimDevice& device = world_.DeviceLocked(id);
        const auto& paths = device.Paths();
        const auto it = std::find(paths.begin(), paths.end(), wanted);
        if (it == paths.end()) {
            continue;
        }
        if (access != 0 && device.Faults().openDenied) {
            return {platform::kInvalidHid, platform::HidOpenError::PermissionDenied,
                    "permission denied opening " + path};
        }
        const platform::HidHandle handle = nextHandle_;
        nextHandle_ += 4;
        handles_[handle] = {id, device.Plugging(), static_cast<std::size_t>(it - paths.begin()),
                            access};
        return {handle, platform::HidOpenError::None, {}};
    }
    return {platform::kInvalidHid, platform::HidOpenError::NotFound,
            "no HID device is plugged in at " + path};
}

void SimHidService::Close(platform::HidHandle handle) {
    std::lock_guard lock(world_.mutex_);
    handles_.erase(handle);
}

const SimHidService::OpenHandle* SimHidService::Find(platform::HidHandle handle) const {
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &it->second;
}

SimDevice* SimHidService::Reach(const OpenHandle& open) {
    SimDevice& device = world_.DeviceLocked(open.device);
    if (!device.Plugged() || device.Plugging() != open.plugging) {
        return nullptr;
    }
    return &device;
}

bool SimHidService::GetAttributes(platform::HidHandle handle, platform::HidAttributes& attributes) {
    std::lock_guard lock(world_.mutex_);
    const OpenHandle* open = Find(handle);
    SimDevice* device = open != nullptr ? Reach(*open) : nullptr;
    if (device == nullptr) {
        return false;
    }
    attributes = device->Attributes();
    return true;
}

bool SimHidService::GetCaps(platform::HidHandle handle, platform::HidCaps& caps) {
    std::lock_guard lock(world_.mutex_);
    const OpenHandle* open = Find(handle);
    SimDevice* device = open != nullptr ? Reach(*open) : nullptr;
    if (device == nullptr) {
        return false;
    }
    caps = device->Caps(open->ordinal);
    return true;
}

bool SimHidService::SetFeature(platform::HidHandle handle, const std::uint8_t* report,
                               std::size_t length) {
    std::lock_guard lock(world_.mutex_);
    const OpenHandle* open = Find(handle);
    SimDevice* device = open != nullptr ? Reach(*open) : nullptr;
    if (device == nullptr || !MayTransfer(open->access) || report == nullptr) {
        return false;
    }
    const std::size_t before = device->Reports().size();
    const bool done = device->SetFeature(open->ordinal, report, length);
    world_.TraceLocked(*device, before);
    return done;
}

bool SimHidService::GetFeature(platform::HidHandle handle, std::uint8_t* report,
                               std::size_t length) {
    std::lock_guard lock(world_.mutex_);
    const OpenHandle* open = Find(handle);
    SimDevice* device = open != nullptr ? Reach(*open) : nullptr;
    if (device == nullptr || !MayTransfer(open->access) || report == nullptr) {
        return false;
    }
    const std::size_t before = device->Reports().size();
    const bool done = device->GetFeature(open->ordinal, report, length);
    world_.TraceLocked(*device, before);
    return done;
}

HidWriteResult SimHidService::Write(platform::HidHandle handle, const std::uint8_t* report,
                                    std::size_t length, std::uint32_t /*timeoutMs*/) {
    HidWriteResult result;
    bool left = false;
    {
        std::lock_guard lock(world_.mutex_);
        const OpenHandle* open = Find(handle);
        if (open == nullptr) {
            return {HidWriteResult::Start::Failed, platform::kErrorInvalidHandle, false, 0};
        }
        SimDevice* device = Reach(*open);
        if (device == nullptr) {
            return {HidWriteResult::Start::Failed, platform::kErrorDeviceNotConnected, false, 0};
        }
        if (!MayTransfer(open->access)) {
            return {HidWriteResult::Start::Failed, platform::kErrorAccessDenied, false, 0};
        }
        if (report == nullptr) {
            return {HidWriteResult::Start::Failed, platform::kErrorInvalidParameter, false, 0};
        }
        const std::size_t before = device->Reports().size();
        result = device->Write(open->ordinal, report, length);
        world_.TraceLocked(*device, before);
        if (device->Reports().size() != before) {
            world_.reportsChanged_.notify_all();
        }
        if (device->TakeLeaveRequest()) {
            world_.LeaveLocked(open->device);
            left = true;
        }
    }
    if (left) {
        world_.notifications_.Wake();
    }
    return result;
}

} // namespace keywright::sim
