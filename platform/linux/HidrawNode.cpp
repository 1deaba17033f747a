#include "platform/linux/HidrawNode.h"

#include "platform/linux/SysfsProperties.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <libudev.h>
#include <memory>

namespace keywright::platform::lnx {
namespace {

struct UdevUnref {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevContext = std::unique_ptr<udev, UdevUnref>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevDevice = std::unique_ptr<udev_device, UdevUnref>;

// sysfs caps report descriptors at 4096 bytes; the margin only bounds a read
// of something unexpected.
constexpr std::size_t kMaxDescriptorBytes = 64 * 1024;

std::optional<std::vector<std::uint8_t>> ReadDescriptor(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        if (bytes.size() + n > kMaxDescriptorBytes)
            return std::nullopt;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string Text(const char* value) {
    return value ? value : "";
}

} // namespace

std::vector<std::string> HidrawNode::Paths() const {
    return SynthesizeInterfacePaths(identity, layout.collections.size(), name);
}

std::optional<HidrawNode> DescribeHidrawNode(udev_device* hidraw, std::string& problem) {
    problem.clear();
    HidrawNode node;
    node.name = Text(udev_device_get_sysname(hidraw));

    // Parents belong to the child device; they are not unreferenced here.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (hid == nullptr) {
        problem = "device: " + node.name + " has no hid parent device; left out";
        return std::nullopt;
    }
    const std::string hidIdText = Text(udev_device_get_property_value(hid, "HID_ID"));
    const std::optional<HidId> hidId = ParseHidId(hidIdText);
    if (!hidId) {
        problem =
            "device: " + node.name + " has a malformed HID_ID \"" + hidIdText + "\"; left out";
        return std::nullopt;
    }
    node.identity.vendorId = hidId->vendorId;
    node.identity.productId = hidId->productId;

    if (udev_device* usbInterface =
            udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_interface")) {
        node.identity.interfaceNumber = ParseInterfaceNumber(
            Text(udev_device_get_sysattr_value(usbInterface, "bInterfaceNumber")));
    } else {
        node.identity.interfaceNumber =
            InterfaceFromPhys(Text(udev_device_get_property_value(hid, "HID_PHYS")));
    }
    if (udev_device* usbDevice =
            udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_device"))
        node.versionNumber =
            ParseBcdDevice(Text(udev_device_get_sysattr_value(usbDevice, "bcdDevice")));

    const std::string descriptorFile = Text(udev_device_get_syspath(hid)) + "/report_descriptor";
    const auto descriptor = ReadDescriptor(descriptorFile);
    if (!descriptor) {
        problem = "device: cannot read the report descriptor of " + node.name + " (" +
                  descriptorFile + "); left out";
        return std::nullopt;
    }
    node.layout = SplitReportDescriptor(*descriptor);
    if (node.layout.fault != DescriptorFault::None)
        problem = "device: report descriptor of " + node.name + " (" + descriptorFile +
                  "): " + DescribeFault(node.layout) + "; listing the " +
                  std::to_string(node.layout.collections.size()) + " collections before it";
    return node;
}

HidrawScan ScanHidrawNodes() {
    HidrawScan scan;
    const UdevContext context(udev_new());
    if (!context) {
        scan.problems.push_back("system: cannot create a udev context: " +
                                std::string(std::strerror(errno)));
        return scan;
    }
    const UdevEnumerate enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        scan.problems.push_back("system: cannot enumerate hidraw devices through udev");
        return scan;
    }
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get()); entry;
         entry = udev_list_entry_get_next(entry)) {
        const UdevDevice device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device)
            continue; // gone since the scan
        std::string problem;
        if (auto node = DescribeHidrawNode(device.get(), problem))
            scan.nodes.push_back(std::move(*node));
        if (!problem.empty())
            scan.problems.push_back(std::move(problem));
    }
    return scan;
}

std::optional<HidrawNode> FindHidrawNode(const std::string& name, std::string& problem) {
    problem.clear();
    const UdevContext context(udev_new());
    if (!context) {
        problem = "system: cannot create a udev context: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    const UdevDevice device(
        udev_device_new_from_subsystem_sysname(context.get(), "hidraw", name.c_str()));
    if (!device)
        return std::nullopt;
    return DescribeHidrawNode(device.get(), problem);
}

} // namespace keywright::platform::lnx
