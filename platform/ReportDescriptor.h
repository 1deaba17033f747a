#pragma once

#include "platform/HidService.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace keywright::platform {

// Why splitting a report descriptor stopped early.
enum class DescriptorFault {
    None,
    Truncated,               // an item's data runs past the end of the descriptor
    ReportTooLong,           // a report of a collection would not fit a 16-bit byte length
    BadReportId,             // Report ID 0 or above 255
    UnbalancedEndCollection, // End Collection with no open collection
    UnclosedCollection,      // the descriptor ends inside a collection
    PushOverflow,            // more nested Push items than kMaxGlobalStack
    PopWithoutPush,
};

// The top-level collections of one report descriptor, as Windows sees them.
//
// Each entry carries the usage page and usage of the collection and the report
// byte lengths that HidP_GetCaps reports for it: per kind (input, output,
// feature), the longest report of that kind in the collection, its bits
// rounded up to bytes, plus one byte for the report id, which Windows counts
// even when the collection has no report ids (byte 0 is then 0). A kind the
// collection has no report of has length 0.
//
// On a fault, `collections` holds the top-level collections that were closed
// before the faulty item, and `faultOffset` is the byte offset of that item
// (of the end of the descriptor for UnclosedCollection).
struct ReportDescriptorSplit {
    std::vector<HidCaps> collections;
    DescriptorFault fault = DescriptorFault::None;
    std::size_t faultOffset = 0;
};

// The deepest Push nesting accepted. The kernel accepts 4; a little more room
// costs nothing and keeps us from refusing a descriptor the kernel took.
constexpr std::size_t kMaxGlobalStack = 16;

// Splits a report descriptor into its top-level collections: the
// Collection(Application) items at nesting depth 0, in descriptor order.
//
// Global items (usage page, report size, report count, report id, push, pop)
// carry over from one collection to the next, as in every HID parser. A
// collection's usage is its first Usage (or Usage Minimum) local item; a 4-byte
// usage carries its own page in the high half, a shorter one takes the usage
// page current at the Collection item (so a Usage Page that follows the Usage
// still applies, as on Windows). Long items are skipped. Main items outside
// every top-level application collection (at depth 0, or inside a depth-0
// collection of another type) belong to no collection and are not counted.
//
// Never reads past `descriptor`, and runs in time linear in its size.
ReportDescriptorSplit SplitReportDescriptor(std::span<const std::uint8_t> descriptor);

// For people: "truncated item at byte 57".
std::string DescribeFault(const ReportDescriptorSplit& split);

} // namespace keywright::platform
