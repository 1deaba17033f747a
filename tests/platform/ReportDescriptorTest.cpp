#include "platform/ReportDescriptor.h"

#include "support/HexFixture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace keywright::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// usage page, usage, input, output, feature lengths
HidCaps Caps(std::uint16_t page, std::uint16_t usage, std::uint16_t input, std::uint16_t output,
             std::uint16_t feature) {
    HidCaps caps;
    caps.usagePage = page;
    caps.usage = usage;
    caps.inputReportByteLength = input;
    caps.outputReportByteLength = output;
    caps.featureReportByteLength = feature;
    return caps;
}

std::string Show(const HidCaps& c) {
    return "page " + std::to_string(c.usagePage) + " usage " + std::to_string(c.usage) + " in " +
           std::to_string(c.inputReportByteLength) + " out " +
           std::to_string(c.outputReportByteLength) + " feature " +
           std::to_string(c.featureReportByteLength);
}

void ExpectCollections(const std::vector<HidCaps>& actual, const std::vector<HidCaps>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Show(actual[i]), Show(expected[i])) << "collection " << i + 1;
}

// The boot keyboard of HID 1.11 appendix B.1: no report ids.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,             // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, // Key Codes, modifiers
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, // 8 x 1 bit input
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,             // 1 x 8 bit constant input
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, // LEDs
    0x29, 0x05, 0x91, 0x02,                         // 5 x 1 bit output
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,             // 3 bit output padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, // 6 x 8 bit key array
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, //
    0xC0,
};

// The boot mouse of HID 1.11 appendix E.10: a Physical collection nested in
// the application collection.
const Bytes kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, // Mouse, Pointer
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, // 3 buttons
    0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, // + 5 bits padding
    0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, // X, Y
    0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0,
};

const Bytes& GamingInterface1() {
    static const Bytes bytes = test::ReadHexFixture("linux/gaming-keyboard-interface1.hex");
    return bytes;
}

const std::vector<HidCaps> kGamingInterface1Collections = {
    Caps(0x000C, 0x01, 3, 0, 0), Caps(0x0001, 0x80, 2, 0, 0),  Caps(0x0001, 0x06, 17, 2, 0),
    Caps(0x0001, 0x02, 7, 0, 0), Caps(0xFF01, 0x01, 64, 0, 0), Caps(0xFF1C, 0x92, 0, 0, 32),
    Caps(0xFF00, 0x01, 0, 8, 8),
};

struct WellFormedCase {
    const char* name;
    Bytes descriptor;
    std::vector<HidCaps> collections;
};

TEST(ReportDescriptor, SplitsIntoTopLevelCollectionsWithWindowsLengths) {
    const WellFormedCase cases[] = {
        // No report ids: Windows still counts a byte for the id.
        {"boot keyboard", kBootKeyboard, {Caps(0x01, 0x06, 9, 2, 0)}},
        {"boot mouse", kBootMouse, {Caps(0x01, 0x02, 4, 0, 0)}},
        {"gaming keyboard interface 1", GamingInterface1(), kGamingInterface1Collections},
        {"empty", {}, {}},
        // The longest report of a kind sets the length, whatever its id.
        {"two feature reports",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x85, 0x01, 0x95, 0x03, 0xB1,
          0x02, 0x85, 0x02, 0x95, 0x09, 0xB1, 0x02, 0x85, 0x03, 0x95, 0x02, 0xB1, 0x02, 0xC0},
         {Caps(0xFF00, 0x01, 0, 0, 10)}},
        // Bits of one report add up across items and round up once: 3 + 6 bits.
        {"bits round up per report",
         {0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x75, 0x03, 0x95, 0x01, 0x81, 0x02, 0x75, 0x06, 0x81,
          0x02, 0xC0},
         {Caps(0x01, 0x05, 3, 0, 0)}},
        // Main items outside any collection, and inside a depth-0 collection
        // that is not an application, belong to no top-level collection.
        {"main items outside application collections",
         {0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0x05, 0x01, 0x09, 0x01, 0xA1, 0x00,
          0x81, 0x02, 0xC0, 0x09, 0x02, 0xA1, 0x01, 0x95, 0x01, 0x81, 0x02, 0xC0},
         {Caps(0x01, 0x02, 2, 0, 0)}},
        // A long item (FE, size, tag, data) is skipped whole, even when its
        // data looks like items.
        {"long item skipped",
         {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xFE, 0x03, 0x10, 0xC0, 0xC0, 0xC0, 0x75, 0x08, 0x95,
          0x02, 0x81, 0x02, 0xC0},
         {Caps(0x01, 0x06, 3, 0, 0)}},
        // Report id and sizes are global: the second collection reuses them.
        {"globals carry across collections",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x09, 0x75, 0x08, 0x95,
          0x05, 0xB1, 0x02, 0xC0, 0x09, 0x02, 0xA1, 0x01, 0xB1, 0x02, 0xC0},
         {Caps(0xFF00, 0x01, 0, 0, 6), Caps(0xFF00, 0x02, 0, 0, 6)}},
        // Items of the reserved type are skipped.
        {"reserved items",
         {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x0C, 0x2D, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02,
          0xC0},
         {Caps(0x01, 0x06, 2, 0, 0)}},
    };
    for (const WellFormedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportDescriptorSplit split = SplitReportDescriptor(c.descriptor);
        EXPECT_EQ(split.fault, DescriptorFault::None) << DescribeFault(split);
        ExpectCollections(split.collections, c.collections);
    }
}

struct HostileCase {
    const char* name;
    Bytes descriptor;
    std::size_t collections; // closed before the fault
    DescriptorFault fault;
    std::size_t offset;
};

Bytes Repeat(std::initializer_list<std::uint8_t> unit, std::size_t times) {
    Bytes bytes;
    for (std::size_t i = 0; i < times; ++i)
        bytes.insert(bytes.end(), unit);
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes bytes;
    for (const Bytes& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

TEST(ReportDescriptor, HostileDescriptorsGiveAFaultAndWhatCameBefore) {
    const Bytes oneCollection = {0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};
    const HostileCase cases[] = {
        {"item data cut off",
         {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x26, 0xFF},
         0,
         DescriptorFault::Truncated,
         6},
        {"4-byte item cut off after a good collection", Concat({oneCollection, {0x0B, 0x01, 0x02}}),
         1, DescriptorFault::Truncated, 11},
        {"long item header cut off", {0xFE, 0x05}, 0, DescriptorFault::Truncated, 0},
        {"long item data cut off",
         {0xFE, 0x05, 0x00, 0x01, 0x02},
         0,
         DescriptorFault::Truncated,
         0},
        {"report count 2^32-1 of 32 bits",
         {0x09, 0x01, 0xA1, 0x01, 0x75, 0x20, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0xC0},
         0,
         DescriptorFault::ReportTooLong,
         11},
        {"report size and count both 2^32-1",
         {0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1,
          0x02, 0xC0},
         0,
         DescriptorFault::ReportTooLong,
         14},
        // 65534 data bytes fit (65535 with the id byte); one bit more does not.
        {"report one bit too long",
         {0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02, 0x75, 0x01, 0x95, 0x01,
          0x81, 0x02, 0xC0},
         0,
         DescriptorFault::ReportTooLong,
         15},
        {"End Collection at depth 0", Concat({oneCollection, {0xC0}}), 1,
         DescriptorFault::UnbalancedEndCollection, 11},
        {"collection never closed", Concat({oneCollection, {0x09, 0x02, 0xA1, 0x01}}), 1,
         DescriptorFault::UnclosedCollection, 15},
        {"100000 nested collections, unclosed", Repeat({0xA1, 0x01}, 100000), 0,
         DescriptorFault::UnclosedCollection, 200000},
        {"Pop without Push", {0x05, 0x01, 0xB4}, 0, DescriptorFault::PopWithoutPush, 2},
        {"Push nested one too deep", Repeat({0xA4}, kMaxGlobalStack + 1), 0,
         DescriptorFault::PushOverflow, kMaxGlobalStack},
        {"report id 0", {0x09, 0x01, 0xA1, 0x01, 0x85, 0x00}, 0, DescriptorFault::BadReportId, 4},
        {"report id 256",
         {0x09, 0x01, 0xA1, 0x01, 0x86, 0x00, 0x01},
         0,
         DescriptorFault::BadReportId,
         4},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportDescriptorSplit split = SplitReportDescriptor(c.descriptor);
        EXPECT_EQ(split.fault, c.fault) << DescribeFault(split);
        EXPECT_EQ(split.faultOffset, c.offset);
        EXPECT_EQ(split.collections.size(), c.collections);
    }
}

TEST(ReportDescriptor, DeepBalancedNestingIsOneCollection) {
    Bytes descriptor = {0x05, 0x01, 0x09, 0x02};
    const Bytes open = Repeat({0xA1, 0x01}, 100000);
    const Bytes close = Repeat({0xC0}, 100000);
    descriptor.insert(descriptor.end(), open.begin(), open.end());
    descriptor.insert(descriptor.end(), {0x75, 0x08, 0x95, 0x02, 0x81, 0x02});
    descriptor.insert(descriptor.end(), close.begin(), close.end());
    const ReportDescriptorSplit split = SplitReportDescriptor(descriptor);
    EXPECT_EQ(split.fault, DescriptorFault::None) << DescribeFault(split);
    ExpectCollections(split.collections, {Caps(0x01, 0x02, 3, 0, 0)});
}

// Cutting a good descriptor anywhere must give exactly the collections that
// end before the cut, unchanged.
TEST(ReportDescriptor, EveryCutOfAGoodDescriptorKeepsTheCollectionsBeforeIt) {
    const Bytes& full = GamingInterface1();
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const ReportDescriptorSplit split = SplitReportDescriptor(std::span(full.data(), cut));
        ASSERT_LE(split.collections.size(), kGamingInterface1Collections.size());
        ExpectCollections(
            split.collections,
            std::vector<HidCaps>(kGamingInterface1Collections.begin(),
                                 kGamingInterface1Collections.begin() +
                                     static_cast<std::ptrdiff_t>(split.collections.size())));
        if (cut == full.size()) {
            EXPECT_EQ(split.collections.size(), kGamingInterface1Collections.size());
        }
    }
}

// Random bytes, weighted towards the item prefixes that steer the parser,
// must never crash it or make it read out of bounds (the sanitizer builds
// catch that), and any fault must point inside the descriptor.
TEST(ReportDescriptor, RandomBytesNeverBreakTheParser) {
    const std::uint8_t steering[] = {0xA1, 0xC0, 0xA4, 0xB4, 0x85, 0x95, 0x97,
                                     0x75, 0x81, 0x91, 0xB1, 0xFE, 0x0B, 0x09};
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes(random() % 48);
        for (std::uint8_t& b : bytes)
            b = random() % 2 ? steering[random() % std::size(steering)]
                             : static_cast<std::uint8_t>(random());
        const ReportDescriptorSplit split = SplitReportDescriptor(bytes);
        ASSERT_LE(split.faultOffset, bytes.size()) << "round " << round;
    }
}

} // namespace
} // namespace keywright::platform
