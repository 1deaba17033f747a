#pragma once

#include "base/Clock.h"
#include "platform/Backend.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimDevice.h"
#include "platform/sim/SimDeviceNotifications.h"
#include "platform/sim/SimDeviceSpec.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimFilterService.h"
#include "platform/sim/SimHidService.h"
#include "platform/sim/SimNamedLocks.h"
#include "platform/sim/SimProcessService.h"
#include "platform/sim/SimReport.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace keywright::sim {

struct SimWorldOptions {
    // Print a line for every report a device takes part in:
    //   sim: 1a2c:9ff6 set-feature 07 ff ff 05 04 02 00 00
    //   sim: deed:feed write 05 01 00 10 00 ... (the 64 bytes of a packet)
    // (vendor:product, transfer kind, the bytes as transferred), and for
    // every control request the filter takes (SimFilterService.h). Each
    // line is written whole, under a lock shared by all worlds.
    bool trace = false;
    std::ostream* traceOutput = &std::cout;
    // How long a keyboard stays away after a factory reset, on the world's
    // clock.
    std::chrono::milliseconds replugDelay{1000};
    // The keyboard filter driver is installed, so its control device opens
    // (Filter().SetInstalled changes it later).
    bool filterInstalled = true;
    // PlugStandardDevices plugs the virtual output device too, as on a
    // working system. False starts without it, as before the driver
    // installation has run.
    bool virtualDevice = true;
};

// The decoys of the virtual-device search (PlugVirtualDeviceDecoys), each
// failing exactly one of its tests.
struct SimVirtualDeviceDecoys {
    SimDeviceId wrongProduct = 0;   // VirtualDeviceWrongProduct
    SimDeviceId wrongUsagePage = 0; // VirtualDeviceWrongUsagePage
    SimDeviceId wrongUsage = 0;     // VirtualDeviceWrongUsage
    // A VirtualOutputDevice whose opens with access rights are refused
    // (SimFaults::openDenied): it passes every test but cannot be opened.
    SimDeviceId openDenied = 0;
};

// A simulated world of USB HID devices behind a platform::Backend: plug and
// unplug devices described by SimDeviceSpec, inject faults, and read what
// each device received; with the keyboard filter driver (Filter) and a
// process runner whose driver tool plugs the virtual output device
// (Processes). Thread-safe.
//
// Unknown device ids are a mistake of the caller: every call taking one
// throws std::out_of_range for them.
//
// A keyboard that gets a factory reset leaves at once (removal of each of
// its paths is queued before the write returns) and comes back under the
// same paths once replugDelay has passed on the world's clock, on a thread
// of the world that waits on that clock; destroying the world stops that
// thread and drops returns still pending. Unplug and Replug cancel a pending
// return of that device. A test hands the world a ManualClock and advances
// it by the delay; the test-side waits below (WaitForPlugged, WaitForPackets)
// wait for their outcome in real time, whatever the clock.
class SimWorld {
  public:
    // `clock` must outlive the world.
    explicit SimWorld(SimWorldOptions options = {}, Clock& clock = SystemClock());
    ~SimWorld();
    SimWorld(const SimWorld&) = delete;
    SimWorld& operator=(const SimWorld&) = delete;

    // A world with the standard devices plugged (PlugStandardDevices): what
    // a --simulate start runs against.
    static std::unique_ptr<SimWorld> Standard(SimWorldOptions options = {},
                                              Clock& clock = SystemClock());
    // Plugs the decoy mouse, the decoy keyboard of another vendor, the
    // virtual output device (PlugVirtualDevice; unless the options say
    // otherwise) and then the 1A2C:9FF6 keyboard, whose id it returns.
    SimDeviceId PlugStandardDevices();

    // A new device, plugged in with arrival of each of its paths.
    SimDeviceId Plug(SimDeviceSpec spec);
    // Removal of each path; handles opened on the device die for good. Does
    // nothing if the device is not plugged.
    void Unplug(SimDeviceId id);
    // Unplugs the device if plugged, then plugs it back under the same paths.
    void Replug(SimDeviceId id);
    bool IsPlugged(SimDeviceId id) const;
    // Waits until IsPlugged(id) == plugged; false if the time ran out.
    bool WaitForPlugged(SimDeviceId id, bool plugged, std::chrono::milliseconds timeout) const;

    // The device's collection paths in model order (also while unplugged).
    std::vector<std::string> Paths(SimDeviceId id) const;
    // The path of the device's KeyboardCommands collection; empty if none.
    std::string CommandPath(SimDeviceId id) const;

    // The last main effect report for index 0..19, the last side-light
    // report; empty until one arrived since the device was made or last
    // factory reset.
    std::optional<SimReportBytes> LastEffect(SimDeviceId id, std::size_t index) const;
    std::optional<SimReportBytes> LastSideLight(SimDeviceId id) const;
    // Every transfer the device took part in, in order.
    std::vector<SimReport> Reports(SimDeviceId id) const;
    void ClearReports(SimDeviceId id);
    int FactoryResetCount(SimDeviceId id) const;
    // Major in the high byte, minor in the low byte (0x0102 answers 1.2).
    void SetFirmwareVersion(SimDeviceId id, std::uint16_t version);
    void SetFaults(SimDeviceId id, const SimFaults& faults);
    SimFaults Faults(SimDeviceId id) const;

    // The virtual output device (VirtualOutputDevice, root\vhidev): the
    // first call makes and plugs it, later calls plug the same device back
    // (same paths) if it is away. Returns its id.
    SimDeviceId PlugVirtualDevice();
    // Unplugs it; nothing when there is none or it is away.
    void UnplugVirtualDevice();
    // Its id; 0 before the first PlugVirtualDevice.
    SimDeviceId VirtualDevice() const;
    // Plugs the four decoys in the order of SimVirtualDeviceDecoys. Plug
    // them before PlugVirtualDevice to list them before the real device
    // (or Replug the real one to move it to the end of the list).
    SimVirtualDeviceDecoys PlugVirtualDeviceDecoys();

    // The bytes of every write the device took since it was made or its
    // reports were last cleared, in order: for the virtual device, its
    // 64-byte packets. Writes that failed are not there.
    std::vector<std::vector<std::uint8_t>> Packets(SimDeviceId id) const;
    // Packets(id) and ClearReports(id) in one step, so no packet written in
    // between is lost: for tests that follow a long run in pieces.
    std::vector<std::vector<std::uint8_t>> TakePackets(SimDeviceId id);
    // Waits until Packets(id) holds at least `count` packets; false if the
    // time ran out.
    bool WaitForPackets(SimDeviceId id, std::size_t count, std::chrono::milliseconds timeout) const;

    // The simulated filter driver and process runner, with their handles
    // for tests; the same objects as Backend().Filter() and
    // Backend().Processes().
    SimFilterService& Filter() { return filter_; }
    SimProcessService& Processes() { return processes_; }

    // The world's services: HID, named locks, device notifications, filter
    // control device, processes.
    platform::Backend& Backend() { return backend_; }

  private:
    friend class SimHidService;

    // The rest expect mutex_ held.
    SimDevice& DeviceLocked(SimDeviceId id);
    const SimDevice& DeviceLocked(SimDeviceId id) const;
    void PlugInLocked(SimDeviceId id);
    bool PullOutLocked(SimDeviceId id);
    void CancelReturnLocked(SimDeviceId id);
    // A factory reset: the device leaves now and returns after the delay.
    void LeaveLocked(SimDeviceId id);
    void TraceLocked(const SimDevice& device, std::size_t firstReport) const;
    void RunReturns();

    const SimWorldOptions options_;
    Clock& clock_;
    mutable std::mutex mutex_;
    mutable std::condition_variable plugChanged_;
    mutable std::condition_variable reportsChanged_; // a device took a write
    std::map<SimDeviceId, SimDevice> devices_;
    std::vector<SimDeviceId> plugOrder_; // plugged devices, oldest plugging first
    SimDeviceId nextId_ = 1;
    SimDeviceId virtualDevice_ = 0;
    // Pending returns after a factory reset: when (on clock_) and which.
    std::vector<std::pair<Clock::TimePoint, SimDeviceId>> returns_;
    std::condition_variable returnsChanged_; // returns_ or stopping_ changed
    bool stopping_ = false;
    std::thread returner_; // started with the first return

    SimDeviceNotifications notifications_;
    SimNamedLocks locks_;
    SimHidService hid_;
    SimFilterService filter_;
    SimProcessService processes_;
    SimBackend backend_;
};

} // namespace keywright::sim
