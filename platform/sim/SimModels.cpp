#include "platform/sim/SimModels.h"

#include "platform/ReportDescriptor.h"
#include "platform/VirtualDevice.h"

#include <utility>

namespace keywright::sim {
namespace {

// Interface 1 of the supported keyboards, as the keyboard gives it (the same
// bytes as the capture tests/data/linux/gaming-keyboard-interface1.hex).
constexpr std::uint8_t kKeyboardInterface1[] = {
    // 1: Consumer Control, report 1: one 16-bit usage in
    0x05, 0x0C,       // Usage Page (Consumer)
    0x09, 0x01,       // Usage (Consumer Control)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x01,       // Report ID (1)
    0x19, 0x00,       // Usage Minimum (0)
    0x2A, 0x3C, 0x02, // Usage Maximum (0x23C)
    0x15, 0x00,       // Logical Minimum (0)
    0x26, 0x3C, 0x02, // Logical Maximum (0x23C)
    0x95, 0x01,       // Report Count (1)
    0x75, 0x10,       // Report Size (16)
    0x81, 0x00,       // Input (Data, Array)
    0xC0,             // End Collection
    // 2: System Control, report 2: 3 bits + 5 bits padding in
    0x05, 0x01, // Usage Page (Generic Desktop)
    0x09, 0x80, // Usage (System Control)
    0xA1, 0x01, // Collection (Application)
    0x85, 0x02, // Report ID (2)
    0x19, 0x81, // Usage Minimum (Power Down)
    0x29, 0x83, // Usage Maximum (Wake Up)
    0x15, 0x00, // Logical Minimum (0)
    0x25, 0x01, // Logical Maximum (1)
    0x75, 0x01, // Report Size (1)
    0x95, 0x03, // Report Count (3)
    0x81, 0x02, // Input (Data, Variable, Absolute)
    0x95, 0x05, // Report Count (5), size 1 carried over
    0x81, 0x01, // Input (Constant)
    0xC0,       // End Collection
    // 3: Keyboard, report 3: 8 modifier bits + 120 key bits in, 5 LED bits + 3 padding out
    0x05, 0x01, // Usage Page (Generic Desktop)
    0x09, 0x06, // Usage (Keyboard)
    0xA1, 0x01, // Collection (Application)
    0x85, 0x03, // Report ID (3)
    0x05, 0x07, // Usage Page (Keyboard)
    0x19, 0xE0, // Usage Minimum (Left Control)
    0x29, 0xE7, // Usage Maximum (Right GUI)
    0x15, 0x00, // Logical Minimum (0)
    0x25, 0x01, // Logical Maximum (1)
    0x75, 0x01, // Report Size (1)
    0x95, 0x08, // Report Count (8)
    0x81, 0x02, // Input (Data, Variable, Absolute)
    0x19, 0x00, // Usage Minimum (0)
    0x29, 0x77, // Usage Maximum (0x77)
    0x95, 0x78, // Report Count (120)
    0x81, 0x02, // Input (Data, Variable, Absolute)
    0x05, 0x08, // Usage Page (LEDs)
    0x19, 0x01, // Usage Minimum (Num Lock)
    0x29, 0x05, // Usage Maximum (Kana)
    0x95, 0x05, // Report Count (5)
    0x91, 0x02, // Output (Data, Variable, Absolute)
    0x95, 0x03, // Report Count (3)
    0x91, 0x01, // Output (Constant)
    0xC0,       // End Collection
    // 4: Mouse, report 4, a Physical collection inside: 5 + 3 bits, 2 x 16 bits, 8 bits in
    0x05, 0x01,       // Usage Page (Generic Desktop)
    0x09, 0x02,       // Usage (Mouse)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x04,       // Report ID (4)
    0x09, 0x01,       // Usage (Pointer)
    0xA1, 0x00,       // Collection (Physical)
    0x05, 0x09,       // Usage Page (Button)
    0x19, 0x01,       // Usage Minimum (1)
    0x29, 0x05,       // Usage Maximum (5)
    0x15, 0x00,       // Logical Minimum (0)
    0x25, 0x01,       // Logical Maximum (1)
    0x75, 0x01,       // Report Size (1)
    0x95, 0x05,       // Report Count (5)
    0x81, 0x02,       // Input (Data, Variable, Absolute)
    0x75, 0x03,       // Report Size (3)
    0x95, 0x01,       // Report Count (1)
    0x81, 0x01,       // Input (Constant)
    0x05, 0x01,       // Usage Page (Generic Desktop)
    0x09, 0x30,       // Usage (X)
    0x09, 0x31,       // Usage (Y)
    0x16, 0x01, 0x80, // Logical Minimum (-32767)
    0x26, 0xFF, 0x7F, // Logical Maximum (32767)
    0x75, 0x10,       // Report Size (16)
    0x95, 0x02,       // Report Count (2)
    0x81, 0x06,       // Input (Data, Variable, Relative)
    0x09, 0x38,       // Usage (Wheel)
    0x15, 0x81,       // Logical Minimum (-127)
    0x25, 0x7F,       // Logical Maximum (127)
    0x75, 0x08,       // Report Size (8)
    0x95, 0x01,       // Report Count (1)
    0x81, 0x06,       // Input (Data, Variable, Relative)
    0xC0,             // End Collection
    0xC0,             // End Collection
    // 5: vendor 0xFF01, report 5: 62 bytes between Push and Pop, then one more
    // byte with the restored 8 bits x 1: 63 data bytes in
    0x06, 0x01, 0xFF, // Usage Page (0xFF01)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x05,       // Report ID (5)
    0xA4,             // Push
    0x95, 0x3E,       // Report Count (62)
    0x09, 0x02,       // Usage (2)
    0x81, 0x02,       // Input (Data, Variable, Absolute)
    0xB4,             // Pop: Report Count back to 1
    0x09, 0x03,       // Usage (3)
    0x81, 0x02,       // Input (Data, Variable, Absolute)
    0xC0,             // End Collection
    // 6: extended usage 0xFF1C0092 (its page in the high half), feature report 6 of 31 bytes
    0x0B, 0x92, 0x00, 0x1C, 0xFF, // Usage (0xFF1C:0x0092)
    0xA1, 0x01,                   // Collection (Application)
    0x85, 0x06,                   // Report ID (6)
    0x09, 0x01,                   // Usage (1)
    0x95, 0x1F,                   // Report Count (31)
    0xB1, 0x02,                   // Feature (Data, Variable, Absolute)
    0xC0,                         // End Collection
    // 7: vendor 0xFF00, its Usage before its Usage Page (the page still applies),
    // feature report 7 and output report 7 of 7 bytes each
    0x09, 0x01,       // Usage (1)
    0x06, 0x00, 0xFF, // Usage Page (0xFF00)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x07,       // Report ID (7)
    0x09, 0x02,       // Usage (2)
    0x95, 0x07,       // Report Count (7)
    0xB1, 0x02,       // Feature (Data, Variable, Absolute)
    0x09, 0x03,       // Usage (3)
    0x91, 0x02,       // Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};

// The keyboard's command collection: &col07 of interface 1.
constexpr int kCommandCollection = 7;

// The top-level collections of a descriptor as Windows numbers them: &col01
// onwards in descriptor order, or no &col when there is only one.
std::vector<SimCollection> CollectionsOf(std::span<const std::uint8_t> descriptor,
                                         int commandCollection) {
    const platform::ReportDescriptorSplit split = platform::SplitReportDescriptor(descriptor);
    std::vector<SimCollection> collections;
    const bool numbered = split.collections.size() > 1;
    int number = 0;
    for (const platform::HidCaps& caps : split.collections) {
        ++number;
        SimCollection& collection = collections.emplace_back();
        collection.number = numbered ? number : 0;
        collection.usagePage = caps.usagePage;
        collection.usage = caps.usage;
        collection.inputReportByteLength = caps.inputReportByteLength;
        collection.outputReportByteLength = caps.outputReportByteLength;
        collection.featureReportByteLength = caps.featureReportByteLength;
        if (number == commandCollection)
            collection.role = SimCollectionRole::KeyboardCommands;
    }
    return collections;
}

std::vector<SimInterface> KeyboardLayout() {
    using Role = SimCollectionRole;
    return {
        {0, {{0, 0x01, 0x06, 9, 2, 0, Role::None}}},
        {1, CollectionsOf(kKeyboardInterface1, kCommandCollection)},
        {2,
         {
             {0x01, 0xFF02, 0x01, 65, 65, 0, Role::None},
             {0x17, 0xFF03, 0x01, 0, 0, 8, Role::None},
         }},
    };
}

SimDeviceSpec Keyboard(std::string name, std::uint16_t productId, std::uint16_t versionNumber,
                       std::uint16_t firmwareVersion) {
    return {std::move(name), 0x1A2C, productId, versionNumber, firmwareVersion, KeyboardLayout()};
}

} // namespace

SimDeviceSpec KeyboardModel9ff6() {
    return Keyboard("keyboard 1a2c:9ff6", 0x9FF6, 0x0105, 0x0102);
}

SimDeviceSpec KeyboardModel0116() {
    return Keyboard("keyboard 1a2c:0116", 0x0116, 0x0200, 0x0201);
}

std::vector<SimDeviceSpec> SupportedKeyboards() {
    return {KeyboardModel9ff6(), KeyboardModel0116()};
}

SimDeviceSpec DecoyMouse() {
    return {"mouse 046d:c077",
            0x046D,
            0xC077,
            0x7200,
            0,
            {{-1, {{0, 0x01, 0x02, 5, 0, 0, SimCollectionRole::None}}}}};
}

SimDeviceSpec DecoyKeyboard() {
    return {"keyboard 04d9:1702", 0x04D9, 0x1702, 0x0104, 0x0103, KeyboardLayout()};
}

namespace {

SimDeviceSpec VirtualDevice(std::string name, std::uint16_t productId, std::uint16_t usagePage,
                            std::uint16_t usage) {
    // The output report counts the marker byte as its report id.
    constexpr auto kOutputLength = static_cast<std::uint16_t>(platform::kVirtualPacketLength);
    return {std::move(name),
            platform::kVirtualDeviceVendorId,
            productId,
            0x0101,
            0,
            {{-1, {{0, usagePage, usage, 0, kOutputLength, 0, SimCollectionRole::None}}}}};
}

} // namespace

std::span<const std::uint8_t> KeyboardInterface1Descriptor() {
    return kKeyboardInterface1;
}

SimDeviceSpec VirtualOutputDevice() {
    return VirtualDevice("virtual device deed:feed", platform::kVirtualDeviceProductId,
                         platform::kVirtualDeviceUsagePage, platform::kVirtualDeviceUsage);
}

// Each decoy is one off the real device in one field.
SimDeviceSpec VirtualDeviceWrongProduct() {
    return VirtualDevice("virtual device decoy deed:feee", platform::kVirtualDeviceProductId + 1,
                         platform::kVirtualDeviceUsagePage, platform::kVirtualDeviceUsage);
}

SimDeviceSpec VirtualDeviceWrongUsagePage() {
    return VirtualDevice("virtual device decoy, page ff01", platform::kVirtualDeviceProductId,
                         platform::kVirtualDeviceUsagePage + 1, platform::kVirtualDeviceUsage);
}

SimDeviceSpec VirtualDeviceWrongUsage() {
    return VirtualDevice("virtual device decoy, usage 2", platform::kVirtualDeviceProductId,
                         platform::kVirtualDeviceUsagePage, platform::kVirtualDeviceUsage + 1);
}

} // namespace keywright::sim
