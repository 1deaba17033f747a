#include "DeviceTestSupport.h"
#include "EvdevText.h"
#include "platform/linux/KeyboardEventNodes.h"
#include "platform/linux/LinuxFilterService.h"
#include "support/LogCheck.h"

#include <array>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <linux/uhid.h>
#include <ostream>
#include <sys/wait.h>

namespace keywright::platform::lnx {
namespace {

using namespace device_test;

constexpr const char* kName = "Keywright Test Keyboard";

// A keyboard collection (input report 1: modifiers, reserved, six keys;
// output report 1: five LEDs) and a consumer-control collection (input
// report 2: one 16-bit usage).
constexpr std::uint8_t
    kDescriptor[] =
        {
            0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, // Generic Desktop, Keyboard, Application
            0x85, 0x01,                         //   Report ID 1
            0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, //   Keyboard page, usages E0-E7
            0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, // 8 x 1 bit, Data Var Abs
            0x75, 0x08, 0x95, 0x01, 0x81, 0x01,                         //   reserved byte, Constant
            0x19, 0x00, 0x29, 0x65, 0x15, 0x00, 0x25, 0x65, 0x75, 0x08,
            0x95, 0x06, 0x81, 0x00,             //   6 x 8 bit, Data Array
            0x05, 0x08, 0x19, 0x01, 0x29, 0x05, //   LED page, Num Lock .. Kana
            0x75, 0x01, 0x95, 0x05, 0x91, 0x02, //   5 x 1 bit, Output Data Var Abs
            0x75, 0x03, 0x95, 0x01, 0x91, 0x01, //   padding, Output Constant
            0xC0,                               // End Collection
            0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, // Consumer, Consumer Control, Application
            0x85, 0x02,                         //   Report ID 2
            0x19, 0x00, 0x2A, 0xFF, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x03,
            0x75, 0x10, 0x95, 0x01, 0x81, 0x00, //   1 x 16 bit, Data Array
            0xC0,                               // End Collection
};

// A USB keyboard 1A2C:9FF6 made through uhid.
class UhidKeyboard {
  public:
    UhidKeyboard() : fd_(::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK)) {
        if (fd_ < 0)
            return;
        uhid_event event{};
        event.type = UHID_CREATE2;
        std::memcpy(event.u.create2.name, kName, std::strlen(kName));
        const char phys[] = "usb-keywright-test/input0";
        std::memcpy(event.u.create2.phys, phys, sizeof phys);
        event.u.create2.rd_size = sizeof kDescriptor;
        event.u.create2.bus = BUS_USB;
        event.u.create2.vendor = 0x1A2C;
        event.u.create2.product = 0x9FF6;
        std::memcpy(event.u.create2.rd_data, kDescriptor, sizeof kDescriptor);
        created_ = ::write(fd_, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
    }
    ~UhidKeyboard() {
        if (fd_ < 0)
            return;
        uhid_event event{};
        event.type = UHID_DESTROY;
        [[maybe_unused]] const ssize_t n = ::write(fd_, &event, sizeof event);
        ::close(fd_);
    }

    bool Created() const { return created_; }

    // Whether an output report 1 with all of `leds` set arrives within a few
    // seconds.
    bool LedsSet(std::uint8_t leds) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        for (;;) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, PollTimeout(deadline)) <= 0)
                return false;
            uhid_event event{};
            if (::read(fd_, &event, sizeof event) <= 0)
                continue;
            if (event.type == UHID_OUTPUT && event.u.output.size >= 2 &&
                event.u.output.data[0] == 0x01 && (event.u.output.data[1] & leds) == leds)
                return true;
        }
    }

    void Keys(std::initializer_list<std::uint8_t> usages, std::uint8_t modifiers = 0) {
        std::array<std::uint8_t, 9> report{0x01, modifiers};
        std::size_t slot = 3;
        for (const std::uint8_t usage : usages)
            report[slot++] = usage;
        Input(report.data(), report.size());
    }
    void Consumer(std::uint16_t usage) {
        const std::uint8_t report[] = {0x02, static_cast<std::uint8_t>(usage),
                                       static_cast<std::uint8_t>(usage >> 8)};
        Input(report, sizeof report);
    }

  private:
    void Input(const std::uint8_t* report, std::size_t length) {
        uhid_event event{};
        event.type = UHID_INPUT2;
        event.u.input2.size = static_cast<std::uint16_t>(length);
        std::memcpy(event.u.input2.data, report, length);
        ASSERT_EQ(::write(fd_, &event, sizeof event), static_cast<ssize_t>(sizeof event));
    }

    int fd_;
    bool created_ = false;
};

std::string NameOf(const std::string& node) {
    const int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC);
    libevdev* evdev = nullptr;
    std::string name;
    if (fd >= 0 && libevdev_new_from_fd(fd, &evdev) == 0)
        name = libevdev_get_name(evdev);
    libevdev_free(evdev);
    if (fd >= 0)
        ::close(fd);
    return name;
}

class KeyboardFilterOnUhid : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* node : {"/dev/uhid", "/dev/uinput"})
            if (const std::string why = WhyNotWritable(node); !why.empty())
                GTEST_SKIP() << "needs a writable " << node << " (" << why << ")";
    }

    // The keyboard's event nodes as the filter finds them, once there are two
    // (what there are after a few seconds otherwise).
    static std::vector<std::string> FilteredNodes() {
        udev* context = udev_new();
        std::vector<std::string> nodes;
        LookUntilFound(
            [&]() -> std::optional<std::vector<std::string>> {
                std::vector<std::string> problems;
                nodes = ScanFilteredEventNodes(context, kFilteredKeyboards, problems);
                if (nodes.size() < 2)
                    return std::nullopt;
                return nodes;
            },
            3000ms);
        udev_unref(context);
        return nodes;
    }

    // Of the filtered nodes, the keyboard's own (not the consumer control's).
    static std::string KeyboardNode(const std::vector<std::string>& nodes) {
        std::string keyboardNode;
        for (const std::string& node : nodes)
            if (NameOf(node).find("Consumer") == std::string::npos)
                keyboardNode = node;
        return keyboardNode;
    }

    static FilterHandle OpenFilter(LinuxFilterService& service) {
        return service.Open(LinuxFilterService::kDeviceName, 0xC0000000, 3);
    }

    // One WAIT_KEY, given up after a few seconds; its 4 bytes as "07:0004 down".
    static std::string WaitKey(FilterService& service, FilterHandle handle) {
        const auto cancel = service.CreateCancelSignal();
        auto wait = std::async(std::launch::async, [&] {
            std::array<std::uint8_t, 4> bytes{};
            const ControlResult result = service.Control(handle, 0x00226044, nullptr, 0,
                                                         bytes.data(), bytes.size(), cancel.get());
            if (result != ControlResult::Completed)
                return std::string("no event");
            char text[32];
            std::snprintf(text, sizeof text, "%02X:%04X %s", bytes[2], bytes[0] | bytes[1] << 8,
                          bytes[3] & 1 ? "down" : "up");
            return std::string(text);
        });
        if (wait.wait_for(5s) != std::future_status::ready)
            cancel->Set();
        return wait.get();
    }
};

TEST_F(KeyboardFilterOnUhid, GrabsWhenNoKeyIsDownHoldsBackAndPassesThrough) {
    UhidKeyboard keyboard;
    ASSERT_TRUE(keyboard.Created());
    const std::vector<std::string> nodes = FilteredNodes();
    ASSERT_FALSE(nodes.empty()) << "no event node of 1A2C:9FF6 appeared";
    const std::string keyboardNode = KeyboardNode(nodes);
    ASSERT_FALSE(keyboardNode.empty());
    EventReader system(keyboardNode); // what the rest of the system sees
    ASSERT_TRUE(system.IsOpen());

    // A is down when the filter opens: no grab yet.
    keyboard.Keys({0x04});
    EXPECT_EQ(EventsText(system.Frame()), "MSC_SCAN 0x70004, KEY_A 1, SYN");
    LinuxFilterService service;
    const FilterHandle handle = OpenFilter(service);
    ASSERT_NE(handle, kInvalidFilter);
    std::array<std::uint8_t, 1024> table{};
    table[0] = 0x05; // B
    table[2] = 0x07;
    table[3] = 0x02;
    ASSERT_EQ(service.Control(handle, 0x0022A000, table.data(), table.size(), nullptr, 0, nullptr),
              ControlResult::Completed);
    const auto passNode = EventNodeNamed(NameOf(keyboardNode) + " (Keywright pass-through)");
    ASSERT_TRUE(passNode.has_value()) << "no pass-through device";
    EventReader passed(*passNode);

    keyboard.Keys({});
    EXPECT_EQ(EventsText(system.Frame()), "MSC_SCAN 0x70004, KEY_A 0, SYN");
    // The filter grabs the keyboard's node once it has read A's release (its
    // other node it grabbed at once).
    ASSERT_TRUE(service.WaitForGrabs(nodes.size(), 5s)) << "the filter did not grab";

    // B is in the table: reported, held back. C: reported and passed through.
    keyboard.Keys({0x05});
    EXPECT_EQ(WaitKey(service, handle), "07:0005 down");
    keyboard.Keys({});
    EXPECT_EQ(WaitKey(service, handle), "07:0005 up");
    keyboard.Keys({0x06});
    EXPECT_EQ(WaitKey(service, handle), "07:0006 down");
    EXPECT_EQ(EventsText(passed.Frame()), "MSC_SCAN 0x70006, KEY_C 1, SYN");
    EXPECT_TRUE(system.Quiet()) << "the node was not grabbed";

    // Caps Lock as the system sets it on the pass-through device reaches the
    // keyboard, which receives nothing of its own while grabbed.
    {
        const int fd = ::open(passNode->c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        input_event led[2]{};
        led[0].type = EV_LED;
        led[0].code = LED_CAPSL;
        led[0].value = 1;
        led[1].type = EV_SYN;
        ASSERT_EQ(::write(fd, led, sizeof led), static_cast<ssize_t>(sizeof led));
        ::close(fd);
        EXPECT_TRUE(keyboard.LedsSet(0x02)) << "Caps Lock did not reach the keyboard";
    }

    keyboard.Consumer(0xE9);
    EXPECT_EQ(WaitKey(service, handle), "0C:00E9 down");
    keyboard.Consumer(0);
    EXPECT_EQ(WaitKey(service, handle), "0C:00E9 up");

    // Closing with C held: the pass-through device releases C and goes (its
    // readers see it go; the kernel and the desktop release what a vanished
    // device held), and the keyboard goes back to the system.
    service.Close(handle);
    EXPECT_TRUE(passed.Gone());
    keyboard.Keys({});
    EXPECT_EQ(EventsText(system.Frame()), "MSC_SCAN 0x70006, KEY_C 0, SYN");
}

// Backspace + Escape + Enter held together give the keyboard back to the
// system, whatever the key table holds back: every key the program was told
// about goes up, nothing stays grabbed, and the filter grabs nothing again.
TEST_F(KeyboardFilterOnUhid, ThePanicChordGivesTheKeyboardBackToTheSystem) {
    test::ExpectLog panic("the panic chord (Backspace + Escape + Enter) was held");
    UhidKeyboard keyboard;
    ASSERT_TRUE(keyboard.Created());
    const std::vector<std::string> nodes = FilteredNodes();
    ASSERT_FALSE(nodes.empty()) << "no event node of 1A2C:9FF6 appeared";
    const std::string keyboardNode = KeyboardNode(nodes);
    EventReader system(keyboardNode);
    LinuxFilterService service;
    const FilterHandle handle = OpenFilter(service);
    ASSERT_NE(handle, kInvalidFilter);
    std::array<std::uint8_t, 1024> table{};
    for (std::size_t entry = 0; entry < 3; ++entry) { // Enter, Escape, Backspace held back
        table[4 * entry] = static_cast<std::uint8_t>(0x28 + entry);
        table[4 * entry + 2] = 0x07;
        table[4 * entry + 3] = 0x02;
    }
    ASSERT_EQ(service.Control(handle, 0x0022A000, table.data(), table.size(), nullptr, 0, nullptr),
              ControlResult::Completed);
    ASSERT_TRUE(service.WaitForGrabs(nodes.size(), 5s)) << "the filter did not grab";

    keyboard.Keys({0x2A});
    EXPECT_EQ(WaitKey(service, handle), "07:002A down");
    keyboard.Keys({0x2A, 0x29});
    EXPECT_EQ(WaitKey(service, handle), "07:0029 down");
    keyboard.Keys({0x2A, 0x29, 0x28});
    EXPECT_EQ(WaitKey(service, handle), "07:0029 up");
    EXPECT_EQ(WaitKey(service, handle), "07:002A up");
    ASSERT_TRUE(service.WaitForNoGrab(5s)) << "the keyboard stayed grabbed";
    EXPECT_TRUE(system.Quiet()) << "the system saw the chord";

    keyboard.Keys({});
    EXPECT_FALSE(system.Frame().empty()) << "the system did not see the chord go up";
    keyboard.Keys({0x06});
    EXPECT_EQ(EventsText(system.Frame()), "MSC_SCAN 0x70006, KEY_C 1, SYN");
    keyboard.Keys({});
    EXPECT_EQ(EventsText(system.Frame()), "MSC_SCAN 0x70006, KEY_C 0, SYN");
    EXPECT_FALSE(service.WaitForGrabs(1, 300ms)) << "grabbed again after the panic chord";
    service.Close(handle);
}

// A filter process killed while a key passed through is held: its
// pass-through device goes (the kernel releases what it held) and the
// keyboard is the system's again at once.
TEST_F(KeyboardFilterOnUhid, SigkillWithAKeyHeldLeavesNothingPressedOrGrabbed) {
    UhidKeyboard keyboard;
    ASSERT_TRUE(keyboard.Created());
    const std::vector<std::string> nodes = FilteredNodes();
    ASSERT_FALSE(nodes.empty()) << "no event node of 1A2C:9FF6 appeared";
    const std::string keyboardNode = KeyboardNode(nodes);
    EventReader system(keyboardNode);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        LinuxFilterService service;
        const bool grabbed =
            OpenFilter(service) != kInvalidFilter && service.WaitForGrabs(nodes.size(), 10s);
        const char byte = grabbed ? 'g' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &byte, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    const bool grabbed = ::read(ready[0], &byte, 1) == 1 && byte == 'g';
    ::close(ready[0]);
    const auto kill = [&] {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    };
    if (!grabbed) {
        kill();
        FAIL() << "the filter process did not grab the keyboard";
    }
    const auto passNode = EventNodeNamed(NameOf(keyboardNode) + " (Keywright pass-through)");
    if (!passNode) {
        kill();
        FAIL() << "no pass-through device";
    }
    EventReader passed(*passNode);
    keyboard.Keys({0x06});
    EXPECT_EQ(EventsText(passed.Frame()), "MSC_SCAN 0x70006, KEY_C 1, SYN");
    EXPECT_TRUE(system.Quiet()) << "the node was not grabbed";

    kill();
    EXPECT_TRUE(passed.Gone()) << "the pass-through device outlived its process";
    keyboard.Keys({});
    EXPECT_EQ(EventsText(system.Frame()), "MSC_SCAN 0x70006, KEY_C 0, SYN")
        << "the keyboard stayed grabbed";
}

// What a process holds that a leak would grow: descriptors, threads, and
// the pass-through devices on the system.
struct Holdings {
    std::size_t descriptors = 0;
    std::size_t threads = 0;
    std::size_t passThroughDevices = 0;

    static Holdings Now() {
        namespace fs = std::filesystem;
        const auto count = [](const char* folder) {
            std::error_code error;
            std::size_t n = 0;
            for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder, error))
                ++n;
            return n;
        };
        Holdings now{count("/proc/self/fd"), count("/proc/self/task"), 0};
        std::error_code error;
        for (const auto& input : fs::directory_iterator("/sys/class/input", error))
            if (ReadLine(input.path() / "name").ends_with("(Keywright pass-through)"))
                ++now.passThroughDevices;
        return now;
    }
    friend std::ostream& operator<<(std::ostream& out, const Holdings& h) {
        return out << h.descriptors << " descriptors, " << h.threads << " threads, "
                   << h.passThroughDevices << " pass-through devices";
    }
};

// The keyboard plugged in while the filter runs is filtered, also where no
// udevd announces it (the VM has none: the kernel's uevents do); a hundred
// plug-ins and unplugs leave nothing behind.
TEST_F(KeyboardFilterOnUhid, ReplugsAreFilteredAndLeakNothing) {
    const auto replug = [](int times) {
        LinuxFilterService service;
        const FilterHandle handle = OpenFilter(service);
        ASSERT_NE(handle, kInvalidFilter);
        for (int plug = 0; plug < times; ++plug) {
            SCOPED_TRACE("plug-in " + std::to_string(plug + 1));
            {
                UhidKeyboard keyboard;
                ASSERT_TRUE(keyboard.Created());
                ASSERT_TRUE(service.WaitForGrabs(1, 10s)) << "the keyboard was not filtered";
            }
            ASSERT_TRUE(service.WaitForNoGrab(10s)) << "the unplug was not noticed";
        }
        service.Close(handle);
    };
    replug(1); // what the libraries make once and keep is made now
    if (HasFatalFailure())
        return;
    const Holdings before = Holdings::Now();
    replug(100);
    const Holdings after = Holdings::Now();
    EXPECT_EQ(after.descriptors, before.descriptors) << after;
    EXPECT_EQ(after.passThroughDevices, before.passThroughDevices) << after;
    // The filter's thread, joined a moment ago, can still be listed while the
    // kernel reaps it; a thread left per plug-in would show as a hundred.
    EXPECT_LE(after.threads, before.threads + 1) << after;
}

} // namespace
} // namespace keywright::platform::lnx
