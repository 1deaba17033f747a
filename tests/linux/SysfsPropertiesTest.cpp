#include "platform/linux/SysfsProperties.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace keywright::platform::lnx {
namespace {

TEST(SysfsProperties, HidId) {
    const struct {
        const char* text;
        std::optional<HidId> id;
    } cases[] = {
        {"0003:00001A2C:00009FF6", HidId{0x0003, 0x1A2C, 0x9FF6}},
        {"0003:00001a2c:00000116\n", HidId{0x0003, 0x1A2C, 0x0116}},
        {"0006:0000DEED:0000FEED", HidId{0x0006, 0xDEED, 0xFEED}},
        {"0003:00011A2C:00009FF6", std::nullopt}, // vendor above 16 bits
        {"0003:00001A2C:10009FF6", std::nullopt},
        {"0003:1A2C:9FF6", std::nullopt},
        {"0003:00001A2C:00009FF6:", std::nullopt},
        {"0003:00001A2C-00009FF6", std::nullopt},
        {"0003:0x001A2C:00009FF6", std::nullopt},
        {"0003:-0001A2C:00009FF6", std::nullopt},
        {"zzzz:00001A2C:00009FF6", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<HidId> id = ParseHidId(c.text);
        ASSERT_EQ(id.has_value(), c.id.has_value());
        if (id) {
            EXPECT_EQ(id->bus, c.id->bus);
            EXPECT_EQ(id->vendorId, c.id->vendorId);
            EXPECT_EQ(id->productId, c.id->productId);
        }
    }
}

TEST(SysfsProperties, InterfaceFromPhys) {
    const struct {
        const char* phys;
        int interfaceNumber;
    } cases[] = {
        {"usb-0000:00:14.0-3/input1", 1},
        {"usb-0000:00:14.0-3/input0", 0},
        {"usb-0000:00:14.0-3.2/input12\n", 12},
        {"usb-0000:00:14.0-3/input255", 255},
        {"usb-0000:00:14.0-3/input256", -1},
        {"usb-0000:00:14.0-3/input", -1},
        {"usb-0000:00:14.0-3/inputx", -1},
        {"usb-0000:00:14.0-3/input1x", -1},
        {"usb-0000:00:14.0-3/input-1", -1},
        {"aa:bb:cc:dd:ee:ff", -1}, // Bluetooth
        {"", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phys);
        EXPECT_EQ(InterfaceFromPhys(c.phys), c.interfaceNumber);
    }
}

TEST(SysfsProperties, UsbAttributes) {
    EXPECT_EQ(ParseInterfaceNumber("01\n"), 1);
    EXPECT_EQ(ParseInterfaceNumber("0a"), 10);
    EXPECT_EQ(ParseInterfaceNumber("1"), -1);
    EXPECT_EQ(ParseInterfaceNumber("001"), -1);
    EXPECT_EQ(ParseInterfaceNumber(""), -1);
    EXPECT_EQ(ParseBcdDevice("0105\n"), 0x0105);
    EXPECT_EQ(ParseBcdDevice("ffff"), 0xFFFF);
    EXPECT_EQ(ParseBcdDevice("105"), 0);
    EXPECT_EQ(ParseBcdDevice("x105"), 0);
}

} // namespace
} // namespace keywright::platform::lnx
