#pragma once

#include "platform/HidService.h"
#include "platform/sim/SimDevice.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace keywright::sim {

class SimWorld;

// The HID service of a simulated world.
//
// ListInterfaces lists every collection of every plugged device, devices in
// the order they were (last) plugged in, collections in model order; all
// active, of the HID interface class. Paths match without regard to case.
//
// Handles are increasing numbers from 0x100 in steps of 4 and are never
// reused, so a stale handle cannot reach another collection. A handle stays
// tied to the plugging it was opened in: once its device leaves, every call
// on it fails, also after the device returns under the same paths; only
// Close still works. Closing an unknown handle does nothing.
//
// Attributes and capabilities work on any live handle, query opens (access
// 0) included. Transfers need a handle opened for reading and writing.
// Write failures carry Windows error codes: 6 unknown handle, 1167 device
// gone, 5 no write access, the device's own codes otherwise (SimDevice.h).
// The time limit of Write is not waited for; a time-out is an injected
// fault (SimFaults::writesTimeOut).
//
// Every call takes the world's lock, so calls from several threads are
// serialised; a Close racing a transfer makes the transfer fail.
class SimHidService final : public platform::HidService {
  public:
    explicit SimHidService(SimWorld& world);

    std::vector<platform::HidInterfaceEntry> ListInterfaces() override;
    platform::HidOpenResult Open(const std::string& path, std::uint32_t access, std::uint32_t share,
                                 bool overlapped) override;
    void Close(platform::HidHandle handle) override;
    bool GetAttributes(platform::HidHandle handle, platform::HidAttributes& attributes) override;
    bool GetCaps(platform::HidHandle handle, platform::HidCaps& caps) override;
    bool SetFeature(platform::HidHandle handle, const std::uint8_t* report,
                    std::size_t length) override;
    bool GetFeature(platform::HidHandle handle, std::uint8_t* report, std::size_t length) override;
    platform::HidWriteResult Write(platform::HidHandle handle, const std::uint8_t* report,
                                   std::size_t length, std::uint32_t timeoutMs) override;

  private:
    struct OpenHandle {
        SimDeviceId device = 0;
        std::uint64_t plugging = 0;
        std::size_t ordinal = 0;
        std::uint32_t access = 0;
    };

    // Under the world's lock: the handle's record, or null when unknown.
    const OpenHandle* Find(platform::HidHandle handle) const;
    // Under the world's lock: the device an open handle reaches, or null
    // when the device has left since the handle was opened.
    SimDevice* Reach(const OpenHandle& open);

    SimWorld& world_;
    std::map<platform::HidHandle, OpenHandle> handles_; // guarded by the world's lock
    platform::HidHandle nextHandle_ = 0x100;
};

} // namespace keywright::sim
