#pragma once

#include "platform/HidService.h"
#include "platform/sim/SimReport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace keywright::sim::test {

constexpr std::uint32_t kReadWrite = platform::kGenericRead | platform::kGenericWrite;
constexpr std::uint32_t kShareAll = platform::kShareRead | platform::kShareWrite;

// Opens `path` the way the keyboard layer does: read/write, shared, overlapped.
inline platform::HidHandle OpenReadWrite(platform::HidService& hid, const std::string& path) {
    return hid.Open(path, kReadWrite, kShareAll, true).handle;
}

inline platform::HidHandle OpenQuery(platform::HidService& hid, const std::string& path) {
    return hid.Open(path, 0, kShareAll, false).handle;
}

inline std::vector<std::uint8_t> Bytes(const SimReportBytes& report) {
    return {report.begin(), report.end()};
}

// A path is "\\?\hid#<device>#<instance>#{class}": the instance lies
// between the second and the third '#'.
inline std::string InstanceOf(const std::string& path) {
    const auto second = path.find('#', path.find('#') + 1);
    const auto third = path.find('#', second + 1);
    return path.substr(second + 1, third - second - 1);
}

// The path with its instance replaced by "<i>", so expectations need not
// know instance ids.
inline std::string MaskInstance(const std::string& path) {
    const auto second = path.find('#', path.find('#') + 1);
    const auto third = path.find('#', second + 1);
    return path.substr(0, second + 1) + "<i>" + path.substr(third);
}

} // namespace keywright::sim::test
