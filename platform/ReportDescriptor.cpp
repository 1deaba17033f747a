#include "platform/ReportDescriptor.h"

#include <array>
#include <map>
#include <optional>
#include <utility>

namespace keywright::platform {
namespace {

// Item types and tags of the short items we act on (HID 1.11, 6.2.2).
enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

enum LocalTag : std::uint8_t { kUsage = 0x0, kUsageMinimum = 0x1 };

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint32_t kApplicationCollection = 0x01;

enum ReportKind : std::size_t { kInputReport = 0, kOutputReport = 1, kFeatureReport = 2 };

// Windows reports the byte lengths as 16-bit values, the report id byte
// included.
constexpr std::uint64_t kMaxReportBytes = 0xFFFF;

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;  // bits per field
    std::uint32_t reportCount = 0; // fields per main item
    std::uint32_t reportId = 0;    // 0: the descriptor uses no report ids (yet)
};

// The first usage named since the last main item, unresolved: a short usage
// takes its page only when the main item comes.
struct PendingUsage {
    std::uint32_t value = 0;
    bool extended = false; // 4 data bytes: the page is the high half
};

// The top-level collection being read, with the bits of each report seen in
// it so far, keyed by (kind, report id).
struct OpenTopLevel {
    HidCaps caps;
    std::map<std::pair<std::size_t, std::uint32_t>, std::uint64_t> reportBits;
};

std::uint16_t ByteLength(std::uint64_t bits) {
    return static_cast<std::uint16_t>((bits + 7) / 8 + 1);
}

HidCaps Close(const OpenTopLevel& open) {
    HidCaps caps = open.caps;
    std::array<std::uint16_t, 3> lengths{};
    for (const auto& [key, bits] : open.reportBits) {
        const std::uint16_t length = ByteLength(bits);
        if (length > lengths[key.first])
            lengths[key.first] = length;
    }
    caps.inputReportByteLength = lengths[kInputReport];
    caps.outputReportByteLength = lengths[kOutputReport];
    caps.featureReportByteLength = lengths[kFeatureReport];
    return caps;
}

} // namespace

ReportDescriptorSplit SplitReportDescriptor(std::span<const std::uint8_t> descriptor) {
    ReportDescriptorSplit split;
    const auto fail = [&split](DescriptorFault fault, std::size_t offset) {
        split.fault = fault;
        split.faultOffset = offset;
        return split;
    };

    GlobalState global;
    std::vector<GlobalState> pushed;
    std::optional<PendingUsage> usage;
    // Depth is a plain counter: nothing is kept per level, so deep nesting
    // costs no memory.
    std::size_t depth = 0;
    std::optional<OpenTopLevel> open; // set inside a top-level application collection

    const std::size_t size = descriptor.size();
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t itemStart = pos;
        const std::uint8_t prefix = descriptor[pos++];

        if (prefix == kLongItemPrefix) {
            // bDataSize, bLongItemTag, then the data; no long item tags are
            // defined, so the item is skipped whole.
            if (size - pos < 2)
                return fail(DescriptorFault::Truncated, itemStart);
            const std::size_t dataSize = descriptor[pos];
            pos += 2;
            if (size - pos < dataSize)
                return fail(DescriptorFault::Truncated, itemStart);
            pos += dataSize;
            continue;
        }

        std::size_t dataSize = prefix & 0x3u;
        if (dataSize == 3)
            dataSize = 4;
        if (size - pos < dataSize)
            return fail(DescriptorFault::Truncated, itemStart);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i)
            value |= static_cast<std::uint32_t>(descriptor[pos + i]) << (8 * i);
        pos += dataSize;

        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3u);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);

        if (type == kGlobal) {
            switch (tag) {
            case kUsagePage:
                global.usagePage = value & 0xFFFFu;
                break;
            case kReportSize:
                global.reportSize = value;
                break;
            case kReportCount:
                global.reportCount = value;
                break;
            case kReportId:
                if (value == 0 || value > 0xFF)
                    return fail(DescriptorFault::BadReportId, itemStart);
                global.reportId = value;
                break;
            case kPush:
                if (pushed.size() >= kMaxGlobalStack)
                    return fail(DescriptorFault::PushOverflow, itemStart);
                pushed.push_back(global);
                break;
            case kPop:
                if (pushed.empty())
                    return fail(DescriptorFault::PopWithoutPush, itemStart);
                global = pushed.back();
                pushed.pop_back();
                break;
            default: // logical/physical extents, units: no bearing on lengths
                break;
            }
            continue;
        }

        if (type == kLocal) {
            if ((tag == kUsage || tag == kUsageMinimum) && !usage)
                usage = PendingUsage{value, dataSize == 4};
            continue;
        }

        if (type == kReserved)
            continue;

        // Main item. Local items apply to this main item only.
        const std::optional<PendingUsage> itemUsage = usage;
        usage.reset();
        switch (tag) {
        case kInput:
        case kOutput:
        case kFeature: {
            if (!open)
                break;
            const std::size_t kind = tag == kInput    ? kInputReport
                                     : tag == kOutput ? kOutputReport
                                                      : kFeatureReport;
            // Both factors are below 2^32, so their product is below
            // 2^64 - 2^33; `bits` held at most kMaxReportBytes * 8 before
            // (checked after every item), so the sum cannot wrap.
            std::uint64_t& bits = open->reportBits[{kind, global.reportId}];
            bits += static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
            if ((bits + 7) / 8 + 1 > kMaxReportBytes)
                return fail(DescriptorFault::ReportTooLong, itemStart);
            break;
        }
        case kCollection:
            if (depth == 0 && (value & 0xFFu) == kApplicationCollection) {
                open.emplace();
                if (itemUsage) {
                    open->caps.usage = static_cast<std::uint16_t>(itemUsage->value & 0xFFFFu);
                    open->caps.usagePage = itemUsage->extended
                                               ? static_cast<std::uint16_t>(itemUsage->value >> 16)
                                               : static_cast<std::uint16_t>(global.usagePage);
                } else {
                    open->caps.usagePage = static_cast<std::uint16_t>(global.usagePage);
                }
            }
            ++depth;
            break;
        case kEndCollection:
            if (depth == 0)
                return fail(DescriptorFault::UnbalancedEndCollection, itemStart);
            --depth;
            if (depth == 0 && open) {
                split.collections.push_back(Close(*open));
                open.reset();
            }
            break;
        default: // reserved main tags
            break;
        }
    }

    if (depth != 0)
        return fail(DescriptorFault::UnclosedCollection, size);
    return split;
}

std::string DescribeFault(const ReportDescriptorSplit& split) {
    const char* what = "";
    switch (split.fault) {
    case DescriptorFault::None:
        return "well formed";
    case DescriptorFault::Truncated:
        what = "truncated item";
        break;
    case DescriptorFault::ReportTooLong:
        what = "report longer than 65534 bytes";
        break;
    case DescriptorFault::BadReportId:
        what = "report id outside 1..255";
        break;
    case DescriptorFault::UnbalancedEndCollection:
        what = "End Collection without a collection";
        break;
    case DescriptorFault::UnclosedCollection:
        return "collection not closed at the end (byte " + std::to_string(split.faultOffset) + ")";
    case DescriptorFault::PushOverflow:
        what = "Push nested too deep";
        break;
    case DescriptorFault::PopWithoutPush:
        what = "Pop without Push";
        break;
    }
    return std::string(what) + " at byte " + std::to_string(split.faultOffset);
}

} // namespace keywright::platform
