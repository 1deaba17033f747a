#pragma once

#include "platform/Guid.h"
#include "platform/WindowsErrors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace keywright::platform {

// A handle on an open HID collection, as Windows hands them out: 0 is "none"
// and kInvalidHid (all bits set) is what a failed open returns. Both are
// never open. The value is only printed in trace lines and passed back.
using HidHandle = std::uintptr_t;
constexpr HidHandle kNoHid = 0;
constexpr HidHandle kInvalidHid = ~HidHandle{0};

constexpr bool IsOpenHandle(HidHandle handle) {
    return handle != kNoHid && handle != kInvalidHid;
}

// Access rights and share mode as the open mode word carries them.
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kShareRead = 0x1;
constexpr std::uint32_t kShareWrite = 0x2;

// Interface flags as the platform reports them.
constexpr std::uint32_t kInterfaceActive = 0x1;

// One present HID interface: on Windows one top-level collection. `path` is
// in the Windows form ("\\?\hid#vid_1a2c&pid_9ff6&mi_01&col07#...#{guid}")
// on every back end, so the path rules above this layer are the same.
struct HidInterfaceEntry {
    std::string path;
    Guid interfaceClassGuid;
    std::uint32_t flags = 0;
};

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// The parts of the collection's capabilities the program reads. Report
// lengths count the report id byte, as Windows does.
struct HidCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
};

enum class HidOpenError {
    None,
    NotFound,         // no such path (unplugged)
    PermissionDenied, // exists, but this user may not open it
    Other,
};

struct HidOpenResult {
    HidHandle handle = kInvalidHid;
    HidOpenError error = HidOpenError::None;
    std::string message; // for people: what failed and, where known, how to fix it
};

// How an output report write with a time limit went. The back end retires a
// write that did not finish in time (cancels it and collects its completion)
// before it returns, so the next write starts clean.
struct HidWriteResult {
    enum class Start { Completed, Pending, Failed };
    Start start = Start::Failed;
    std::uint32_t error = 0; // the start's error code unless Completed (997 when Pending)
    bool finished = false;   // Pending: the write finished within the time limit
    std::uint32_t bytes = 0; // bytes transferred when Completed or finished
};

// The HID primitives of the platform. Thread-safe: any operation may be
// called from any thread, also on the same handle, and a Close that races a
// transfer on the same handle makes the transfer fail, never touch a freed
// or reused handle.
class HidService {
  public:
    virtual ~HidService() = default;

    // The HID class interfaces present now, in the platform's order.
    virtual std::vector<HidInterfaceEntry> ListInterfaces() = 0;

    // access and share as in the open mode word; access 0 opens for queries
    // only (attributes, capabilities), which needs no permission to transfer.
    virtual HidOpenResult Open(const std::string& path, std::uint32_t access, std::uint32_t share,
                               bool overlapped) = 0;
    virtual void Close(HidHandle handle) = 0;

    virtual bool GetAttributes(HidHandle handle, HidAttributes& attributes) = 0;
    virtual bool GetCaps(HidHandle handle, HidCaps& caps) = 0;

    // Byte 0 of `report` is the report id.
    virtual bool SetFeature(HidHandle handle, const std::uint8_t* report, std::size_t length) = 0;
    virtual bool GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) = 0;
    virtual HidWriteResult Write(HidHandle handle, const std::uint8_t* report, std::size_t length,
                                 std::uint32_t timeoutMs) = 0;
};

} // namespace keywright::platform
