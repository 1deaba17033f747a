#pragma once

#include "base/Trace.h"
#include "platform/DeviceNotifications.h"
#include "platform/HidService.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright {

class HidDevice;

// A keyboard the program drives: where its command collection sits.
struct SupportedKeyboard {
    std::int32_t vendorId;
    std::int32_t productId;
    std::int32_t interfaceNumber;
    std::int32_t collectionNumber;
    std::int32_t noSideLight; // non-zero: this model never gets the side-light command
    std::int32_t reserved;

    friend bool operator==(const SupportedKeyboard&, const SupportedKeyboard&) = default;
};

// Searched in this order.
constexpr std::array<SupportedKeyboard, 2> SupportedKeyboards{{
    {0x1A2C, 0x9FF6, 1, 7, 0, 0},
    {0x1A2C, 0x0116, 1, 7, 0, 0},
}};

// The numbers an interface path carries; -1 for a field it does not carry.
struct HidPathNumbers {
    std::int32_t vendorId = -1;
    std::int32_t productId = -1;
    std::int32_t interfaceNumber = -1;
    std::int32_t collectionNumber = -1;
};

// Finds "hid#vid_XXXX&pid_XXXX[&rev_XXXX][&mi_XX][&colXX]" anywhere in the
// path (case-sensitive). The interface and collection fields keep only their
// last character, as the matching expression has always read them: &mi_01
// gives 1, &col07 gives 7, &col0A gives 10 and &col17 gives 7. nullopt when
// the path does not carry the pattern.
std::optional<HidPathNumbers> ParseHidPath(std::string_view path);

// The supported keyboard whose command collection `path` names exactly.
std::optional<SupportedKeyboard> MatchSupportedKeyboard(std::string_view path);

// One present HID collection that passed an enumeration filter.
struct HidInterfaceInfo {
    std::string path;
    platform::Guid interfaceClassGuid;
    std::uint32_t flags = 0;
    std::int32_t vendorId = -1;      // from the path
    std::int32_t productId = -1;     // from the path
    std::uint16_t versionNumber = 0; // 0 when the collection does not open
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

// The present HID collections whose paths pass the filter, in enumeration
// order:
// - vendorId <= 0 matches any vendor, else the path's vendor must equal it;
// - productIds null or productCount < 0 counts as 0; 0 means any product,
//   else the path's product must be one of the first productCount ids; with
//   no product and no vendor nothing is enumerated;
// - interfaceNumber and collectionNumber: >= 0 must equal the path's field
//   (a path without it does not match), -1 matches anything, other negative
//   values match nothing.
std::vector<HidInterfaceInfo>
EnumerateHidInterfaces(platform::HidService& hid, const Trace& trace, std::int32_t vendorId,
                       const std::int32_t* productIds, std::int32_t productCount,
                       std::int32_t interfaceNumber, std::int32_t collectionNumber);

// Opens the first row of SupportedKeyboards whose command collection is
// present; the row that opened, or nullopt with the device closed.
std::optional<SupportedKeyboard> OpenSupportedKeyboard(HidDevice& device);

// Arrivals and removals of device interfaces of every class, delivered to
// `handler` on the thread that calls Dispatch (see DeviceNotifications).
bool RegisterHidNotifications(platform::DeviceNotifications& notifications,
                              platform::DeviceNotifications::Handler handler,
                              std::function<void()> wake);

// "%04x-%02x-%02x-%s" of Data1..Data3 and Data4 as sixteen hex digits.
std::string FormatGuid(const platform::Guid& guid);

} // namespace keywright
