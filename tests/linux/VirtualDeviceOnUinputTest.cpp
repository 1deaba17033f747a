#include "DeviceTestSupport.h"
#include "EvdevText.h"
#include "platform/linux/LinuxHidService.h"
#include "platform/linux/VirtualOutputDevice.h"

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

namespace keywright::platform::lnx {
namespace {

using namespace device_test;

const std::string kPath(VirtualOutputDevice::kPath);
constexpr const char* kDeviceName = "Keywright virtual input";

std::vector<std::uint8_t> Packet(std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> packet(head);
    packet.resize(64, 0);
    return packet;
}

class VirtualDeviceOnUinput : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::string why = WhyNotWritable("/dev/uinput"); !why.empty())
            GTEST_SKIP() << "needs a writable /dev/uinput (" << why << ")";
    }
};

TEST_F(VirtualDeviceOnUinput, PacketsComeOutAsInput) {
    LinuxHidService service;
    const auto entries = service.ListInterfaces();
    ASSERT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const HidInterfaceEntry& e) { return e.path == kPath; }));
    const HidOpenResult open =
        service.Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false);
    ASSERT_TRUE(IsOpenHandle(open.handle)) << open.message;

    const auto node = EventNodeNamed(kDeviceName);
    ASSERT_TRUE(node.has_value()) << "no event node for the uinput device";
    EventReader reader(*node);
    ASSERT_TRUE(reader.IsOpen());

    // What it can send.
    {
        const int fd = ::open(node->c_str(), O_RDONLY | O_CLOEXEC);
        libevdev* evdev = nullptr;
        ASSERT_EQ(libevdev_new_from_fd(fd, &evdev), 0);
        EXPECT_EQ(libevdev_get_id_vendor(evdev), 0xDEED);
        EXPECT_EQ(libevdev_get_id_product(evdev), 0xFEED);
        for (const unsigned key : {KEY_A, KEY_LEFTSHIFT, KEY_VOLUMEUP, KEY_PLAYPAUSE, KEY_POWER,
                                   KEY_WAKEUP, BTN_LEFT, BTN_TASK})
            EXPECT_TRUE(libevdev_has_event_code(evdev, EV_KEY, key)) << key;
        for (const unsigned axis : {REL_X, REL_Y, REL_WHEEL})
            EXPECT_TRUE(libevdev_has_event_code(evdev, EV_REL, axis)) << axis;
        // The kernel's key repeat, with its defaults, as a real keyboard has.
        EXPECT_TRUE(libevdev_has_event_type(evdev, EV_REP));
        int repeat[2] = {};
        ASSERT_EQ(::ioctl(fd, EVIOCGREP, repeat), 0);
        EXPECT_EQ(repeat[0], 250);
        EXPECT_EQ(repeat[1], 33);
        libevdev_free(evdev);
        ::close(fd);
    }

    struct Step {
        std::vector<std::uint8_t> packet;
        std::string events;
    };
    const Step steps[] = {
        {Packet({0x05, 0x01, 0x00, 0x10}), "KEY_A 1, SYN"},
        {Packet({0x05, 0x03, 0xE9, 0x00}), "KEY_VOLUMEUP 1, SYN"},
        {Packet({0x05, 0x02, 0x01, 0xFB, 0x02, 0x01}),
         "BTN_LEFT 1, REL_X -5, REL_Y 2, REL_WHEEL 1, SYN"},
        {Packet({0x05, 0x01}), "KEY_A 0, SYN"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.events);
        const HidWriteResult write =
            service.Write(open.handle, step.packet.data(), step.packet.size(), 1000);
        EXPECT_EQ(write.start, HidWriteResult::Start::Completed);
        EXPECT_EQ(write.bytes, 64u);
        EXPECT_EQ(EventsText(reader.Frame()), step.events);
    }

    // A key held repeats (the text console types it again and again).
    {
        const auto down = Packet({0x05, 0x01, 0x00, 0x20});
        ASSERT_EQ(service.Write(open.handle, down.data(), down.size(), 1000).bytes, 64u);
        EXPECT_TRUE(reader.Repeats(KEY_B)) << "a held key does not repeat";
        const auto up = Packet({0x05, 0x01});
        ASSERT_EQ(service.Write(open.handle, up.data(), up.size(), 1000).bytes, 64u);
        EXPECT_EQ(EventsText(reader.Frame()), "KEY_B 0, SYN");
    }

    // Closing releases what is still held: the volume key and the button.
    service.Close(open.handle);
    EXPECT_EQ(EventsText(reader.Frame()), "KEY_VOLUMEUP 0, BTN_LEFT 0, SYN");
}

} // namespace
} // namespace keywright::platform::lnx
