#pragma once

#include "platform/ReportDescriptor.h"
#include "platform/linux/HidrawPath.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct udev_device;

namespace keywright::platform::lnx {

// One hidraw node as udev and sysfs describe it: the node, the identity of
// its HID device, and its top-level collections.
struct HidrawNode {
    std::string name; // "hidraw3", the node's name under /dev
    HidrawIdentity identity;
    // bcdDevice of the USB device; 0 for devices without a USB parent (uhid,
    // Bluetooth). The hidraw ioctls carry no version (HIDIOCGRAWINFO gives
    // bus, vendor and product only), and sysfs has none for other buses.
    std::uint16_t versionNumber = 0;
    // On a descriptor fault, the collections before it.
    ReportDescriptorSplit layout;

    // One Windows-form path per top-level collection (SynthesizeInterfacePaths).
    std::vector<std::string> Paths() const;
};

// Every hidraw node present, in udev's order (sorted by sysfs path), and a
// line per node that could not be described or whose descriptor is faulty.
struct HidrawScan {
    std::vector<HidrawNode> nodes;
    std::vector<std::string> problems;
};

HidrawScan ScanHidrawNodes();

// The node "hidrawN", or nothing when it is not present (or cannot be
// described; `problem` then says why, and is empty when the node is absent).
std::optional<HidrawNode> FindHidrawNode(const std::string& name, std::string& problem);

// Describes a hidraw udev device: vendor and product from the parent hid
// device's HID_ID; the interface number from the USB interface parent's
// bInterfaceNumber, or, without a USB parent, from the "/inputN" suffix of
// HID_PHYS; the report descriptor from the hid device's sysfs
// report_descriptor. Nothing, with `problem` set, when a part is missing.
// A descriptor fault is not a failure: the node is described with the
// collections before the fault, and `problem` says so.
std::optional<HidrawNode> DescribeHidrawNode(udev_device* hidraw, std::string& problem);

} // namespace keywright::platform::lnx
