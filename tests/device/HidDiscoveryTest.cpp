#include "device/HidDiscovery.h"

#include "FakeHid.h"
#include "device/HidDevice.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

using test::FakeHid;
using test::FakeLocks;

const std::string kGuidPart = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string Path(const std::string& hidPart) {
    return "\\\\?\\" + hidPart + "#8&2a1b3c4d&0&0006" + kGuidPart;
}

TEST(ParseHidPath, ReadsTheFieldsAsTheExpressionCapturesThem) {
    const struct {
        std::string path;
        std::optional<HidPathNumbers> numbers; // vendor, product, interface, collection
    } cases[] = {
        {Path("hid#vid_1a2c&pid_9ff6&mi_01&col07"), HidPathNumbers{0x1A2C, 0x9FF6, 1, 7}},
        {Path("hid#vid_1a2c&pid_9ff6&mi_01&col17"), HidPathNumbers{0x1A2C, 0x9FF6, 1, 7}},
        {Path("hid#vid_1a2c&pid_9ff6&mi_01&col0A"), HidPathNumbers{0x1A2C, 0x9FF6, 1, 10}},
        {Path("hid#vid_1a2c&pid_9ff6&mi_01&col0a"), HidPathNumbers{0x1A2C, 0x9FF6, 1, 10}},
        {Path("hid#vid_1a2c&pid_9ff6&mi_12"), HidPathNumbers{0x1A2C, 0x9FF6, 2, -1}},
        {Path("hid#vid_1a2c&pid_0116&rev_0105&mi_01&col07"), HidPathNumbers{0x1A2C, 0x0116, 1, 7}},
        {Path("hid#vid_046d&pid_c077"), HidPathNumbers{0x046D, 0xC077, -1, -1}},
        {Path("hid#vid_1a2c&pid_9ff6&col03"), HidPathNumbers{0x1A2C, 0x9FF6, -1, 3}},
        // A field that is not hex reads as far as it is.
        {Path("hid#vid_1a2z&pid_zzzz&mi_0g"), HidPathNumbers{0x1A2, 0, 0, -1}},
        // Windows hands out upper-case "HID#VID_" paths too: they do not match.
        {Path("HID#VID_1A2C&PID_9FF6&MI_01&COL07"), std::nullopt},
        {"\\\\?\\usb#vid_1a2c&pid_9ff6&mi_01#7&1&0&0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
         std::nullopt},
        {Path("hid#vid_1a2c&pid_9ff"), std::nullopt},
        {"", std::nullopt},
        // The search is not anchored.
        {"prefix hid#vid_1a2c&pid_9ff6&mi_01&col07 suffix", HidPathNumbers{0x1A2C, 0x9FF6, 1, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto numbers = ParseHidPath(c.path);
        ASSERT_EQ(numbers.has_value(), c.numbers.has_value());
        if (numbers) {
            EXPECT_EQ(numbers->vendorId, c.numbers->vendorId);
            EXPECT_EQ(numbers->productId, c.numbers->productId);
            EXPECT_EQ(numbers->interfaceNumber, c.numbers->interfaceNumber);
            EXPECT_EQ(numbers->collectionNumber, c.numbers->collectionNumber);
        }
    }
}

TEST(ParseHidPath, SupportedKeyboardsAreMatchedExactly) {
    EXPECT_EQ(MatchSupportedKeyboard(Path("hid#vid_1a2c&pid_9ff6&mi_01&col07")),
              SupportedKeyboards[0]);
    EXPECT_EQ(MatchSupportedKeyboard(Path("hid#vid_1a2c&pid_9ff6&mi_01&col17")),
              SupportedKeyboards[0]);
    EXPECT_EQ(MatchSupportedKeyboard(Path("hid#vid_1a2c&pid_0116&mi_01&col07")),
              SupportedKeyboards[1]);
    for (const char* other :
         {"hid#vid_1a2c&pid_9ff6", "hid#vid_1a2c&pid_9ff6&mi_00",
          "hid#vid_1a2c&pid_9ff6&mi_01&col06", "hid#vid_04d9&pid_9ff6&mi_01&col07"})
        EXPECT_FALSE(MatchSupportedKeyboard(Path(other))) << other;
}

TEST(FormatGuid, WritesTheTraceForm) {
    EXPECT_EQ(FormatGuid(platform::kHidInterfaceClass), "4d1e55b2-f16f-11cf-88cb001111000030");
    EXPECT_EQ(FormatGuid({0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 0xFF}}),
              "0001-02-03-00000000000000ff");
}

class Enumeration : public ::testing::Test {
  protected:
    Enumeration() {
        for (const char* hidPart :
             {"hid#vid_1a2c&pid_9ff6&mi_00", "hid#vid_1a2c&pid_9ff6&mi_01&col01",
              "hid#vid_1a2c&pid_9ff6&mi_01&col07", "hid#vid_1a2c&pid_0116&mi_01&col07",
              "hid#vid_04d9&pid_1702&mi_01&col07", "hid#vid_046d&pid_c077",
              "usb#vid_1a2c&pid_9ff6"}) {
            hid.entries.push_back({Path(hidPart), platform::kHidInterfaceClass, 1});
            hid.caps[Path(hidPart)] = {};
        }
        hid.caps[Path("hid#vid_1a2c&pid_9ff6&mi_01&col07")] = {1, 0xFF00, 8, 8, 8};
    }

    // The hid parts of the paths that pass the filter.
    std::vector<std::string> Found(std::int32_t vendor, std::vector<std::int32_t> products,
                                   std::int32_t count, std::int32_t interfaceNumber,
                                   std::int32_t collection) {
        std::vector<std::string> found;
        for (const HidInterfaceInfo& info : EnumerateHidInterfaces(
                 hid, [](std::string_view) {}, vendor, products.empty() ? nullptr : products.data(),
                 count, interfaceNumber, collection))
            found.push_back(info.path.substr(4, info.path.find('#', 8) - 4));
        return found;
    }

    FakeHid hid;
};

TEST_F(Enumeration, FilterRules) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Found(0x1A2C, {0x9FF6}, 1, 1, 7), V{"hid#vid_1a2c&pid_9ff6&mi_01&col07"});
    EXPECT_EQ(Found(0x1A2C, {}, 0, 1, 7),
              (V{"hid#vid_1a2c&pid_9ff6&mi_01&col07", "hid#vid_1a2c&pid_0116&mi_01&col07"}));
    EXPECT_EQ(Found(0, {}, 0, -1, -1), V{}); // nothing asked, nothing enumerated
    EXPECT_EQ(Found(-5, {0x1702}, 1, 1, 7), V{"hid#vid_04d9&pid_1702&mi_01&col07"});
    EXPECT_EQ(Found(0x1A2C, {0x9FF6}, -3, 1, 7), // negative count is any product
              (V{"hid#vid_1a2c&pid_9ff6&mi_01&col07", "hid#vid_1a2c&pid_0116&mi_01&col07"}));
    EXPECT_EQ(Found(0x1A2C, {0x1234, 0x0116}, 2, 1, 7), V{"hid#vid_1a2c&pid_0116&mi_01&col07"});
    EXPECT_EQ(Found(0x1A2C, {0x1234, 0x0116}, 1, 1, 7), V{}); // only the first `count` ids
    EXPECT_EQ(Found(0x1A2C, {0x9FF6}, 1, -1, -1),
              (V{"hid#vid_1a2c&pid_9ff6&mi_00", "hid#vid_1a2c&pid_9ff6&mi_01&col01",
                 "hid#vid_1a2c&pid_9ff6&mi_01&col07"}));
    EXPECT_EQ(Found(0x1A2C, {0x9FF6}, 1, 0, -1), V{"hid#vid_1a2c&pid_9ff6&mi_00"});
    EXPECT_EQ(Found(0x1A2C, {0x9FF6}, 1, 0, 0), V{});   // no &col: does not match 0
    EXPECT_EQ(Found(0x1A2C, {0x9FF6}, 1, -2, -1), V{}); // other negatives match nothing
    EXPECT_EQ(Found(0x046D, {}, 0, -1, -1), V{"hid#vid_046d&pid_c077"});
    EXPECT_EQ(Found(0x046D, {}, 0, -1, 0), V{});
}

TEST_F(Enumeration, ReadsVersionAndUsagesOfCollectionsThatOpen) {
    const int32_t product = 0x9FF6;
    const auto found = EnumerateHidInterfaces(
        hid, [](std::string_view) {}, 0x1A2C, &product, 1, 1, 7);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].vendorId, 0x1A2C);
    EXPECT_EQ(found[0].productId, 0x9FF6);
    EXPECT_EQ(found[0].versionNumber, 0x0102);
    EXPECT_EQ(found[0].usagePage, 0xFF00);
    EXPECT_EQ(found[0].usage, 1);
    EXPECT_EQ(hid.Count("open"), hid.Count("close")); // every probe handle is closed

    hid.caps.clear(); // nothing opens now: the entry stays, without version and usages
    const auto unopened = EnumerateHidInterfaces(
        hid, [](std::string_view) {}, 0x1A2C, &product, 1, 1, 7);
    ASSERT_EQ(unopened.size(), 1u);
    EXPECT_EQ(unopened[0].versionNumber, 0);
    EXPECT_EQ(unopened[0].usagePage, 0);
}

TEST_F(Enumeration, TracesTheClassAndEveryInterface) {
    std::string trace;
    const int32_t product = 0x9FF6;
    EnumerateHidInterfaces(
        hid, [&](std::string_view line) { trace += line; }, 0x1A2C, &product, 1, 1, 7);
    EXPECT_EQ(trace.rfind("got classs: guid={4d1e55b2-f16f-11cf-88cb001111000030}\n", 0), 0u);
    EXPECT_NE(trace.find("enum interface: guid={4d1e55b2-f16f-11cf-88cb001111000030} index=6\n"),
              std::string::npos);
    EXPECT_NE(trace.find("open dev: 00000040\n"), std::string::npos);
}

TEST_F(Enumeration, OpenMatchingOpensTheFirstMatchOnly) {
    FakeLocks locks;
    HidDevice device(hid, locks, [](std::string_view) {});
    EXPECT_TRUE(device.OpenById(0x1A2C, 0, 1, 7)); // any product of the vendor
    std::vector<std::string> openedForTransfers;
    for (const auto& call : hid.Calls())
        if (call.what == "open" &&
            call.access == (platform::kGenericRead | platform::kGenericWrite))
            openedForTransfers.push_back(call.path);
    // Both row-1 and row-2 collections are probed by the enumeration; the
    // device opens the first one last, after the probes.
    ASSERT_FALSE(openedForTransfers.empty());
    EXPECT_EQ(openedForTransfers.back(), Path("hid#vid_1a2c&pid_9ff6&mi_01&col07"));

    // The first match fails to open: no second one is tried.
    hid.caps.erase(Path("hid#vid_1a2c&pid_9ff6&mi_01&col07"));
    EXPECT_FALSE(device.OpenById(0x1A2C, 0, 1, 7));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(hid.Calls().back().what, "open");
    EXPECT_EQ(hid.Calls().back().path, Path("hid#vid_1a2c&pid_9ff6&mi_01&col07"));
    EXPECT_EQ(device.LastOpenResult().error, platform::HidOpenError::NotFound);

    EXPECT_FALSE(device.OpenById(0x1A2C, 0x9FF6, 3, 7)); // nothing matches
    EXPECT_EQ(device.LastOpenResult().error, platform::HidOpenError::NotFound);
}

TEST_F(Enumeration, OpenSupportedKeyboardTriesTheRowsInOrder) {
    FakeLocks locks;
    HidDevice device(hid, locks, [](std::string_view) {});
    EXPECT_EQ(OpenSupportedKeyboard(device), SupportedKeyboards[0]);
    hid.caps.erase(Path("hid#vid_1a2c&pid_9ff6&mi_01&col07"));
    hid.entries.erase(hid.entries.begin() + 2);
    EXPECT_EQ(OpenSupportedKeyboard(device), SupportedKeyboards[1]);
    // Nothing present: nothing is opened, and nothing is closed either; the
    // caller decides what an open handle means then.
    hid.entries.clear();
    EXPECT_EQ(OpenSupportedKeyboard(device), std::nullopt);
    EXPECT_TRUE(device.IsOpen());
}

} // namespace
} // namespace keywright
