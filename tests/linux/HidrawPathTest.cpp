#include "platform/linux/HidrawPath.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keywright::platform::lnx {
namespace {

const std::string kClass = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

struct SynthesisCase {
    const char* name;
    HidrawIdentity identity;
    std::size_t collections;
    const char* node;
    std::vector<std::string> paths;
};

TEST(HidrawPath, OnePathPerCollectionInTheWindowsForm) {
    std::vector<std::string> seven;
    for (const char* n : {"01", "02", "03", "04", "05", "06", "07"})
        seven.push_back(std::string("\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col") + n + "#hidraw3&00" +
                        n + kClass);
    const SynthesisCase cases[] = {
        {"single collection: no &col",
         {0x1A2C, 0x9FF6, 0},
         1,
         "hidraw0",
         {"\\\\?\\hid#vid_1a2c&pid_9ff6&mi_00#hidraw0&0001" + kClass}},
        {"seven collections: &col01..&col07", {0x1A2C, 0x9FF6, 1}, 7, "hidraw3", seven},
        {"interface unknown: no &mi_",
         {0x1A2C, 0x0116, -1},
         2,
         "hidraw12",
         {"\\\\?\\hid#vid_1a2c&pid_0116&col01#hidraw12&0001" + kClass,
          "\\\\?\\hid#vid_1a2c&pid_0116&col02#hidraw12&0002" + kClass}},
        {"lowercase hex, interface 10, four vid digits",
         {0x00AB, 0xCDEF, 10},
         1,
         "hidraw1",
         {"\\\\?\\hid#vid_00ab&pid_cdef&mi_0a#hidraw1&0001" + kClass}},
        {"no collections: no paths", {0x1A2C, 0x9FF6, 1}, 0, "hidraw3", {}},
    };
    for (const SynthesisCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SynthesizeInterfacePaths(c.identity, c.collections, c.node), c.paths);
    }
}

TEST(HidrawPath, CollectionTenIsHexAndTwoDigits) {
    const auto paths = SynthesizeInterfacePaths({0x1A2C, 0x9FF6, 1}, 12, "hidraw3");
    ASSERT_EQ(paths.size(), 12u);
    EXPECT_EQ(paths[9], "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col0a#hidraw3&000a" + kClass);
}

// Everything synthesized parses back to its node and collection.
TEST(HidrawPath, ParsesBackWhatItSynthesizes) {
    const struct {
        HidrawIdentity identity;
        std::size_t collections;
        const char* node;
    } cases[] = {
        {{0x1A2C, 0x9FF6, 1}, 7, "hidraw3"},
        {{0x1A2C, 0x0116, -1}, 1, "hidraw0"},
        {{0xFFFF, 0x0000, 255}, 300, "hidraw999999999"},
        {{0x1A2C, 0x9FF6, 0}, 2, "hidraw10"},
    };
    for (const auto& c : cases) {
        const auto paths = SynthesizeInterfacePaths(c.identity, c.collections, c.node);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(paths[i]);
            const auto target = ParseInterfacePath(paths[i]);
            ASSERT_TRUE(target.has_value());
            EXPECT_EQ(target->node, c.node);
            EXPECT_EQ(target->collectionIndex, i);
            EXPECT_EQ(target->identity.vendorId, c.identity.vendorId);
            EXPECT_EQ(target->identity.productId, c.identity.productId);
            EXPECT_EQ(target->identity.interfaceNumber, c.identity.interfaceNumber);
        }
    }
}

TEST(HidrawPath, ParsingIgnoresCaseOfTheFixedParts) {
    const auto target = ParseInterfacePath("\\\\?\\HID#VID_1A2C&PID_9FF6&MI_01&COL07#HIDRAW3&0007#{"
                                           "4D1E55B2-F16F-11CF-88CB-001111000030}");
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->node, "hidraw3");
    EXPECT_EQ(target->collectionIndex, 6u);
}

TEST(HidrawPath, RejectsEverythingElse) {
    const std::string good = "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007" + kClass;
    ASSERT_TRUE(ParseInterfacePath(good).has_value());
    const std::string cases[] = {
        "",
        "hidraw3",
        "/dev/hidraw3",
        // the node must be hidraw<digits>, nothing that walks the file system
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#../hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3/../../etc/passwd&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidrawx&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw03&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw-3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw1234567890&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#mouse0&0007" + kClass,
        // missing or extra parts
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007",
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07" + kClass,
        "\\\\?\\hid#vid_1a2c&mi_01&col07#hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007#x" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007&0" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007#{00000000-0000-0000-0000-"
        "000000000000}",
        "\\\\?\\usb#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&0007" + kClass,
        // a Windows instance id is not ours
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#7&2a1b3c4d&0&0006" + kClass,
        // digits: short, long, not hex
        "\\\\?\\hid#vid_1a2&pid_9ff6&mi_01&col07#hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c0&pid_9ff6&mi_01&col07#hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_1&col07#hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col7#hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw3&007" + kClass,
        "\\\\?\\hid#vid_1a2g&pid_9ff6&mi_01&col07#hidraw3&0007" + kClass,
        // the collection label and the instance disagree; collection 0
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col06#hidraw3&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01#hidraw3&0002" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col00#hidraw3&0000" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01#hidraw3&0000" + kClass,
        // parts out of order, white space
        "\\\\?\\hid#pid_9ff6&vid_1a2c&mi_01&col07#hidraw3&0007" + kClass,
        " " + good,
        good + " ",
        good + std::string(1, '\0'),
    };
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ParseInterfacePath(path).has_value());
    }
}

} // namespace
} // namespace keywright::platform::lnx
