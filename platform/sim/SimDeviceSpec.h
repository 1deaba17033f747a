#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keywright::sim {

// What a collection does beyond reporting its capabilities.
enum class SimCollectionRole {
    None,
    // Accepts the keyboard's 8-byte command reports (report id 7) as feature
    // reports and output reports, and answers feature reads.
    KeyboardCommands,
};

// One top-level collection of a HID interface. Report lengths count the
// report id byte, as Windows reports them.
struct SimCollection {
    // The &colNN value of the path, printed as two hex digits (0x17 prints
    // "col17"). 0 when the path carries no &col: an interface with a single
    // collection.
    int number = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    SimCollectionRole role = SimCollectionRole::None;
};

struct SimInterface {
    // The &mi_NN value of the path; -1 when the path carries no &mi_ (a
    // device with a single interface).
    int number = -1;
    std::vector<SimCollection> collections;
};

// A device model: everything the simulated world needs to present one
// plugged device. The built-in models are in SimModels.h.
struct SimDeviceSpec {
    std::string name;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0; // the HID attributes' version (bcdDevice)
    // What a version request answers until SimWorld::SetFirmwareVersion
    // changes it: major in the high byte, minor in the low byte.
    std::uint16_t firmwareVersion = 0;
    std::vector<SimInterface> interfaces;
};

} // namespace keywright::sim
