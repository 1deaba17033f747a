#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace keywright::sim {

// A command report as the keyboard stores it: report id 7 and 7 bytes.
using SimReportBytes = std::array<std::uint8_t, 8>;

enum class SimReportKind { SetFeature, GetFeature, Write };

// The name trace lines print for a transfer kind.
constexpr std::string_view SimReportKindName(SimReportKind kind) {
    switch (kind) {
    case SimReportKind::SetFeature:
        return "set-feature";
    case SimReportKind::GetFeature:
        return "get-feature";
    case SimReportKind::Write:
        return "write";
    }
    return "?";
}

// One transfer a simulated device took part in, as transferred: the bytes
// received for SetFeature and Write (only the bytes that went through when
// output reports are cut), the bytes answered for GetFeature.
struct SimReport {
    SimReportKind kind = SimReportKind::SetFeature;
    int interfaceNumber = -1;
    int collectionNumber = 0;
    std::vector<std::uint8_t> bytes;

    friend bool operator==(const SimReport&, const SimReport&) = default;
};

} // namespace keywright::sim
