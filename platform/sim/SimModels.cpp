#include "platform/sim/SimModels.h"

#include <utility>

namespace keywright::sim {
namespace {

std::vector<SimInterface> KeyboardLayout() {
    using Role = SimCollectionRole;
    return {
        {0, {{0, 0x01, 0x06, 9, 2, 0, Role::None}}},
        {1,
         {
             {0x01, 0x0C, 0x01, 3, 0, 0, Role::None},
             {0x02, 0x01, 0x80, 2, 0, 0, Role::None},
             {0x03, 0xFF01, 0x01, 33, 33, 0, Role::None},
             {0x04, 0x01, 0x06, 17, 2, 0, Role::None},
             {0x05, 0x01, 0x02, 8, 0, 0, Role::None},
             {0x06, 0xFF00, 0x02, 65, 0, 0, Role::None},
             {0x07, 0xFF00, 0x01, 0, 8, 8, Role::KeyboardCommands},
         }},
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
    return {std::move(name),
            0xDEED,
            productId,
            0x0101,
            0,
            {{-1, {{0, usagePage, usage, 0, 64, 0, SimCollectionRole::None}}}}};
}

} // namespace

SimDeviceSpec VirtualOutputDevice() {
    return VirtualDevice("virtual device deed:feed", 0xFEED, 0xFF00, 0x01);
}

SimDeviceSpec VirtualDeviceWrongProduct() {
    return VirtualDevice("virtual device decoy deed:feee", 0xFEEE, 0xFF00, 0x01);
}

SimDeviceSpec VirtualDeviceWrongUsagePage() {
    return VirtualDevice("virtual device decoy, page ff01", 0xFEED, 0xFF01, 0x01);
}

SimDeviceSpec VirtualDeviceWrongUsage() {
    return VirtualDevice("virtual device decoy, usage 2", 0xFEED, 0xFF00, 0x02);
}

} // namespace keywright::sim
