#include "platform/sim/SimWorld.h"

#include "platform/sim/SimModels.h"
#include "platform/sim/SimPaths.h"
#include "platform/sim/SimTrace.h"

#include <algorithm>
#include <stdexcept>

namespace keywright::sim {
namespace {

std::vector<std::string> MakePaths(const SimDeviceSpec& spec, SimDeviceId id) {
    std::vector<std::string> paths;
    for (const SimInterface& iface : spec.interfaces) {
        for (const SimCollection& collection : iface.collections) {
            paths.push_back(SimInterfacePath(spec.vendorId, spec.productId, iface.number,
                                             collection.number, SimInstanceId(id, paths.size())));
        }
    }
    return paths;
}

} // namespace

SimWorld::SimWorld(SimWorldOptions options, Clock& clock)
    : options_(options), clock_(clock), hid_(*this),
      filter_(options.filterInstalled, options.trace, options.traceOutput), processes_(*this),
      backend_(hid_, locks_, notifications_, filter_, processes_) {}

SimWorld::~SimWorld() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    returnsChanged_.notify_all();
    if (returner_.joinable()) {
        returner_.join();
    }
}

std::unique_ptr<SimWorld> SimWorld::Standard(SimWorldOptions options, Clock& clock) {
    auto world = std::make_unique<SimWorld>(options, clock);
    world->PlugStandardDevices();
    return world;
}

SimDeviceId SimWorld::PlugStandardDevices() {
    Plug(DecoyMouse());
    Plug(DecoyKeyboard());
    if (options_.virtualDevice) {
        PlugVirtualDevice();
    }
    return Plug(KeyboardModel9ff6());
}

SimDeviceId SimWorld::PlugVirtualDevice() {
    SimDeviceId id = 0;
    {
        std::lock_guard lock(mutex_);
        if (virtualDevice_ == 0) {
            virtualDevice_ = nextId_++;
            SimDeviceSpec spec = VirtualOutputDevice();
            std::vector<std::string> paths = MakePaths(spec, virtualDevice_);
            devices_.try_emplace(virtualDevice_, std::move(spec), std::move(paths));
        } else if (DeviceLocked(virtualDevice_).Plugged()) {
            return virtualDevice_;
        }
        id = virtualDevice_;
        PlugInLocked(id);
    }
    notifications_.Wake();
    return id;
}

void SimWorld::UnplugVirtualDevice() {
    const SimDeviceId id = VirtualDevice();
    if (id != 0) {
        Unplug(id);
    }
}

SimDeviceId SimWorld::VirtualDevice() const {
    std::lock_guard lock(mutex_);
    return virtualDevice_;
}

SimVirtualDeviceDecoys SimWorld::PlugVirtualDeviceDecoys() {
    SimVirtualDeviceDecoys decoys;
    decoys.wrongProduct = Plug(VirtualDeviceWrongProduct());
    decoys.wrongUsagePage = Plug(VirtualDeviceWrongUsagePage());
    decoys.wrongUsage = Plug(VirtualDeviceWrongUsage());
    SimDeviceSpec held = VirtualOutputDevice();
    held.name = "virtual device decoy, opens refused";
    decoys.openDenied = Plug(std::move(held));
    SimFaults faults;
    faults.openDenied = true;
    SetFaults(decoys.openDenied, faults);
    return decoys;
}

SimDeviceId SimWorld::Plug(SimDeviceSpec spec) {
    SimDeviceId id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        std::vector<std::string> paths = MakePaths(spec, id);
        devices_.try_emplace(id, std::move(spec), std::move(paths));
        PlugInLocked(id);
    }
    notifications_.Wake();
    return id;
}

void SimWorld::Unplug(SimDeviceId id) {
    bool left = false;
    {
        std::lock_guard lock(mutex_);
        DeviceLocked(id);
        CancelReturnLocked(id);
        left = PullOutLocked(id);
    }
    if (left) {
        notifications_.Wake();
    }
}

void SimWorld::Replug(SimDeviceId id) {
    {
        std::lock_guard lock(mutex_);
        DeviceLocked(id);
        CancelReturnLocked(id);
        PullOutLocked(id);
        PlugInLocked(id);
    }
    notifications_.Wake();
}

bool SimWorld::IsPlugged(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).Plugged();
}

bool SimWorld::WaitForPlugged(SimDeviceId id, bool plugged,
                              std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    DeviceLocked(id);
    return plugChanged_.wait_for(lock, timeout,
                                 [&] { return DeviceLocked(id).Plugged() == plugged; });
}

std::vector<std::string> SimWorld::Paths(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).Paths();
}

std::string SimWorld::CommandPath(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    const SimDevice& device = DeviceLocked(id);
    for (std::size_t i = 0; i < device.CollectionCount(); ++i) {
        if (device.Collection(i).role == SimCollectionRole::KeyboardCommands) {
            return device.Paths()[i];
        }
    }
    return {};
}

std::optional<SimReportBytes> SimWorld::LastEffect(SimDeviceId id, std::size_t index) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).Effect(index);
}

std::optional<SimReportBytes> SimWorld::LastSideLight(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).SideLight();
}

std::vector<SimReport> SimWorld::Reports(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).Reports();
}

std::vector<std::vector<std::uint8_t>> SimWorld::Packets(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<std::uint8_t>> packets;
    for (const SimReport& report : DeviceLocked(id).Reports()) {
        if (report.kind == SimReportKind::Write) {
            packets.push_back(report.bytes);
        }
    }
    return packets;
}

std::vector<std::vector<std::uint8_t>> SimWorld::TakePackets(SimDeviceId id) {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<std::uint8_t>> packets;
    for (const SimReport& report : DeviceLocked(id).Reports()) {
        if (report.kind == SimReportKind::Write) {
            packets.push_back(report.bytes);
        }
    }
    DeviceLocked(id).ClearReports();
    return packets;
}

bool SimWorld::WaitForPackets(SimDeviceId id, std::size_t count,
                              std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    DeviceLocked(id);
    return reportsChanged_.wait_for(lock, timeout, [&] {
        const auto& reports = DeviceLocked(id).Reports();
        return static_cast<std::size_t>(
                   std::count_if(reports.begin(), reports.end(), [](const SimReport& report) {
                       return report.kind == SimReportKind::Write;
                   })) >= count;
    });
}

void SimWorld::ClearReports(SimDeviceId id) {
    std::lock_guard lock(mutex_);
    DeviceLocked(id).ClearReports();
}

int SimWorld::FactoryResetCount(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).FactoryResets();
}

void SimWorld::SetFirmwareVersion(SimDeviceId id, std::uint16_t version) {
    std::lock_guard lock(mutex_);
    DeviceLocked(id).SetFirmwareVersion(version);
}

void SimWorld::SetFaults(SimDeviceId id, const SimFaults& faults) {
    std::lock_guard lock(mutex_);
    DeviceLocked(id).SetFaults(faults);
}

SimFaults SimWorld::Faults(SimDeviceId id) const {
    std::lock_guard lock(mutex_);
    return DeviceLocked(id).Faults();
}

SimDevice& SimWorld::DeviceLocked(SimDeviceId id) {
    const auto it = devices_.find(id);
    if (it == devices_.end()) {
        throw std::out_of_range("SimWorld: no device " + std::to_string(id));
    }
    return it->second;
}

const SimDevice& SimWorld::DeviceLocked(SimDeviceId id) const {
    return const_cast<SimWorld*>(this)->DeviceLocked(id);
}

void SimWorld::PlugInLocked(SimDeviceId id) {
    SimDevice& device = DeviceLocked(id);
    device.PlugIn();
    plugOrder_.push_back(id);
    for (const std::string& path : device.Paths()) {
        notifications_.Queue(platform::DeviceChange::Arrival, path);
    }
    plugChanged_.notify_all();
}

bool SimWorld::PullOutLocked(SimDeviceId id) {
    SimDevice& device = DeviceLocked(id);
    if (!device.Plugged()) {
        return false;
    }
    device.PullOut();
    plugOrder_.erase(std::remove(plugOrder_.begin(), plugOrder_.end(), id), plugOrder_.end());
    for (const std::string& path : device.Paths()) {
        notifications_.Queue(platform::DeviceChange::Removal, path);
    }
    plugChanged_.notify_all();
    return true;
}

void SimWorld::CancelReturnLocked(SimDeviceId id) {
    std::erase_if(returns_, [id](const auto& entry) { return entry.second == id; });
}

void SimWorld::LeaveLocked(SimDeviceId id) {
    PullOutLocked(id);
    CancelReturnLocked(id);
    returns_.emplace_back(clock_.Deadline(options_.replugDelay), id);
    if (!returner_.joinable()) {
        returner_ = std::thread([this] { RunReturns(); });
    }
    returnsChanged_.notify_all();
}

void SimWorld::RunReturns() {
    std::unique_lock lock(mutex_);
    const auto nextDue = [this] {
        Clock::TimePoint due = Clock::kNever;
        for (const auto& entry : returns_) {
            due = std::min(due, entry.first);
        }
        return due;
    };
    while (!stopping_) {
        const Clock::TimePoint due = nextDue();
        if (due == Clock::kNever || clock_.Now() < due) {
            // Woken early when the world stops or the earliest return changes.
            clock_.WaitUntil(returnsChanged_, lock, due,
                             [&] { return stopping_ || nextDue() != due; });
            continue;
        }
        const auto next = std::min_element(returns_.begin(), returns_.end());
        const SimDeviceId id = next->second;
        returns_.erase(next);
        if (!DeviceLocked(id).Plugged()) {
            PlugInLocked(id);
            lock.unlock();
            notifications_.Wake();
            lock.lock();
        }
    }
}

void SimWorld::TraceLocked(const SimDevice& device, std::size_t firstReport) const {
    if (!options_.trace || options_.traceOutput == nullptr) {
        return;
    }
    const std::vector<SimReport>& reports = device.Reports();
    for (std::size_t i = firstReport; i < reports.size(); ++i) {
        std::string line = "sim: ";
        AppendHex(line, device.Spec().vendorId, 4);
        line += ':';
        AppendHex(line, device.Spec().productId, 4);
        line += ' ';
        line += SimReportKindName(reports[i].kind);
        AppendHexBytes(line, reports[i].bytes.data(), reports[i].bytes.size());
        WriteTraceLine(*options_.traceOutput, line);
    }
}

} // namespace keywright::sim
