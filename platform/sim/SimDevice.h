#pragma once

#include "platform/HidService.h"
#include "platform/sim/SimDeviceSpec.h"
#include "platform/sim/SimFaults.h"
#include "platform/sim/SimReport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace keywright::sim {

// Names a device of a world from its Plug until the world ends; never 0.
using SimDeviceId = std::uint32_t;

// One simulated device of the world: its collections and paths, whether it
// is plugged, the faults a test injected and, on a KeyboardCommands
// collection, the keyboard's answers to its command reports:
//
//   set-feature 07 FF FF ii b  s  d  sel  main effect ii (0..19) stored
//   set-feature 07 FF FF 20 00 00 lm 00   side light stored (l level, m mode)
//   set-feature 07 F1 ..                  version request
//   get-feature 07                        07 major minor 00 00 00 00 00 when the
//                                         last set-feature was a version request,
//                                         07 00 00 00 00 00 00 00 otherwise
//   write       07 F0 AA ..               factory reset: lighting back to the
//                                         factory state, counted; the device
//                                         asks to leave (TakeLeaveRequest)
//
// Other command reports are accepted and recorded without effect. Feature
// reports must be exactly the collection's feature length with report id 7;
// collections of other roles reject feature reports. Writes to any
// collection with an output report are accepted and recorded; a write
// shorter than the output report fails (error 87), a longer one transfers
// the output report's length.
//
// Not thread-safe: the world serialises every call under its lock.
class SimDevice {
  public:
    static constexpr std::size_t kEffectCount = 20;

    // Collection i of the device description (interfaces in order, their collections in
    // order) is reached at paths[i].
    SimDevice(SimDeviceSpec spec, std::vector<std::string> paths);

    const SimDeviceSpec& Spec() const { return spec_; }
    const std::vector<std::string>& Paths() const { return paths_; }
    std::size_t CollectionCount() const { return endpoints_.size(); }
    int InterfaceNumber(std::size_t ordinal) const {
        return endpoints_.at(ordinal).interfaceNumber;
    }
    const SimCollection& Collection(std::size_t ordinal) const {
        return endpoints_.at(ordinal).collection;
    }

    // Plugging counts the plug-ins, so a handle can tell whether the device
    // it was opened on has left since, even if it came back.
    bool Plugged() const { return plugged_; }
    std::uint64_t Plugging() const { return plugging_; }
    // Power comes on: the pending version request is forgotten; lighting,
    // firmware version, counts, faults and the report record stay.
    void PlugIn();
    void PullOut();

    platform::HidAttributes Attributes() const;
    // Capabilities with an injected output length cut applied.
    platform::HidCaps Caps(std::size_t ordinal) const;

    bool SetFeature(std::size_t ordinal, const std::uint8_t* report, std::size_t length);
    bool GetFeature(std::size_t ordinal, std::uint8_t* report, std::size_t length);
    platform::HidWriteResult Write(std::size_t ordinal, const std::uint8_t* report,
                                   std::size_t length);
    // True once after a factory reset: the device must leave the bus now.
    bool TakeLeaveRequest();

    const SimFaults& Faults() const { return faults_; }
    void SetFaults(const SimFaults& faults) { faults_ = faults; }

    // Empty until a report set it since the device was made or last reset.
    std::optional<SimReportBytes> Effect(std::size_t index) const { return effects_.at(index); }
    std::optional<SimReportBytes> SideLight() const { return sideLight_; }
    const std::vector<SimReport>& Reports() const { return reports_; }
    void ClearReports() { reports_.clear(); }
    int FactoryResets() const { return factoryResets_; }
    std::uint16_t FirmwareVersion() const { return firmwareVersion_; }
    void SetFirmwareVersion(std::uint16_t version) { firmwareVersion_ = version; }

  private:
    struct Endpoint {
        int interfaceNumber = -1;
        SimCollection collection;
    };

    std::uint16_t OutputLength(std::size_t ordinal) const;
    void Record(SimReportKind kind, std::size_t ordinal, const std::uint8_t* bytes,
                std::size_t length);
    void FactoryReset();

    SimDeviceSpec spec_;
    std::vector<std::string> paths_;
    std::vector<Endpoint> endpoints_;
    bool plugged_ = false;
    std::uint64_t plugging_ = 0;
    SimFaults faults_;
    std::array<std::optional<SimReportBytes>, kEffectCount> effects_{};
    std::optional<SimReportBytes> sideLight_;
    bool versionRequested_ = false;
    bool leaveRequested_ = false;
    int factoryResets_ = 0;
    std::uint16_t firmwareVersion_ = 0;
    std::vector<SimReport> reports_;
};

} // namespace keywright::sim
