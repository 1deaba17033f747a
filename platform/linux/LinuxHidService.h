#pragma once

#include "base/OnceLog.h"
#include "platform/HandleTable.h"
#include "platform/HidService.h"

#include <memory>

namespace keywright::platform::lnx {

class VirtualOutputDevice;

// HID on hidraw, presenting the Windows model: one interface per top-level
// collection of a hidraw node, with a Windows-form path (see HidrawPath.h)
// that maps back to the node and the collection.
//
// Open re-reads the node through udev and accepts the path only if the node
// still gives that very path, so a node number taken over by another device
// after an unplug reads as NotFound. Access 0 needs no descriptor: attributes
// and capabilities come from sysfs and the report descriptor. Otherwise
// /dev/hidrawN is opened for reading and/or writing as the access bits say.
// Linux has no share modes (every opener shares) and no overlapped handles:
// `share` and `overlapped` are accepted and ignored; every Write is
// time-limited regardless.
//
// All collections of a node share one hidraw descriptor. Unlike Windows, a
// report id is not checked against the handle's collection: a feature or
// output report goes to the node, and its id alone says which collection it
// belongs to.
//
// Handles come from a HandleTable (never reused). Close takes the handle out
// at once and marks it closed, so transfers that start after it fail; a
// transfer already inside the kernel finishes on the descriptor, which is
// closed when the last user leaves.
//
// After the hidraw collections, the list holds the virtual output device on
// uinput (VirtualOutputDevice: vendor 0xDEED, product 0xFEED, usage page
// 0xFF00, usage 1). Its path opens, attributes, caps, Write and Close as
// VirtualOutputDevice describes; it has no feature reports. Whether
// /dev/uinput is usable shows only when the device is needed: an open with
// write access makes it, and fails, saying why once on standard error, when
// it cannot be made. Listing and querying it never touch uinput, so commands
// that only look for the keyboard print nothing about it.
class LinuxHidService final : public HidService {
  public:
    LinuxHidService();
    // With a virtual output device of the caller's (tests).
    explicit LinuxHidService(std::unique_ptr<VirtualOutputDevice> virtualDevice);
    ~LinuxHidService() override;

    std::vector<HidInterfaceEntry> ListInterfaces() override;
    HidOpenResult Open(const std::string& path, std::uint32_t access, std::uint32_t share,
                       bool overlapped) override;
    void Close(HidHandle handle) override;

    bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
    bool GetCaps(HidHandle handle, HidCaps& caps) override;

    // HIDIOCSFEATURE / HIDIOCGFEATURE with `length` as given (1..16383, the
    // largest size the ioctl number can carry); byte 0 is the report id. The
    // kernel returns the report with its id byte in front, as Windows does;
    // when it returns fewer than `length` bytes, the rest of `report` is
    // zeroed. Both fail on a handle opened for queries only.
    bool SetFeature(HidHandle handle, const std::uint8_t* report, std::size_t length) override;
    bool GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) override;

    // See TimedWriter for the mapping onto HidWriteResult. An unknown or
    // closed handle gives Failed with ERROR_INVALID_HANDLE (6), a handle
    // without write access Failed with ERROR_ACCESS_DENIED (5).
    HidWriteResult Write(HidHandle handle, const std::uint8_t* report, std::size_t length,
                         std::uint32_t timeoutMs) override;

  private:
    struct OpenCollection;

    HidOpenResult OpenVirtualDevice(std::uint32_t access);

    std::unique_ptr<VirtualOutputDevice> virtualDevice_;
    HandleTable<OpenCollection> handles_;
    OnceLog log_;
};

} // namespace keywright::platform::lnx
