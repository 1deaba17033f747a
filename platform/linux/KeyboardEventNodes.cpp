#include "platform/linux/KeyboardEventNodes.h"

#include "platform/linux/SysfsProperties.h"

#include <libudev.h>
#include <memory>
#include <string_view>

namespace keywright::platform::lnx {
namespace {

struct UdevUnref {
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

} // namespace

bool IsFilteredKeyboard(std::uint16_t vendorId, std::uint16_t productId,
                        std::span<const FilteredKeyboard> keyboards) {
    for (const FilteredKeyboard& keyboard : keyboards)
        if (keyboard.vendorId == vendorId && keyboard.productId == productId)
            return true;
    return false;
}

std::optional<std::string> FilteredEventNode(udev_device* device,
                                             std::span<const FilteredKeyboard> keyboards) {
    const char* sysname = udev_device_get_sysname(device);
    const char* devnode = udev_device_get_devnode(device);
    if (sysname == nullptr || devnode == nullptr || !std::string_view(sysname).starts_with("event"))
        return std::nullopt;
    // Parents belong to the device; they are not unreferenced here.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    if (hid == nullptr)
        return std::nullopt;
    const char* hidId = udev_device_get_property_value(hid, "HID_ID");
    const std::optional<HidId> id = ParseHidId(hidId ? hidId : "");
    if (!id || !IsFilteredKeyboard(id->vendorId, id->productId, keyboards))
        return std::nullopt;
    return std::string(devnode);
}

std::vector<std::string> ScanFilteredEventNodes(udev* context,
                                                std::span<const FilteredKeyboard> keyboards,
                                                std::vector<std::string>& problems) {
    std::vector<std::string> nodes;
    const std::unique_ptr<udev_enumerate, UdevUnref> enumerate(udev_enumerate_new(context));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "input") < 0 ||
        udev_enumerate_add_match_sysname(enumerate.get(), "event*") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        problems.push_back("system: cannot enumerate input devices through udev; the keyboard "
                           "filter sees no keyboard");
        return nodes;
    }
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate.get()); entry;
         entry = udev_list_entry_get_next(entry)) {
        const std::unique_ptr<udev_device, UdevUnref> device(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (!device)
            continue; // gone since the scan
        if (auto node = FilteredEventNode(device.get(), keyboards))
            nodes.push_back(std::move(*node));
    }
    return nodes;
}

} // namespace keywright::platform::lnx
