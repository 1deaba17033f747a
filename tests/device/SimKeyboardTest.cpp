// The keyboard link against the simulated world: discovery among decoys,
// commands reaching the keyboard, faults, and a keyboard that leaves.

#include "device/HidDevice.h"
#include "device/HidDiscovery.h"
#include "device/KeyboardCommands.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;
using sim::SimWorld;

constexpr auto kReplugDelay = 1s;

class SimKeyboardTest : public ::testing::Test {
  protected:
    SimKeyboardTest() : world(Options(), clock), device(Hid(), world.Backend().Locks(), Quiet()) {}

    static sim::SimWorldOptions Options() {
        sim::SimWorldOptions options;
        options.replugDelay = kReplugDelay;
        return options;
    }
    static Trace Quiet() {
        return [](std::string_view) {
        };
    }
    platform::HidService& Hid() { return world.Backend().Hid(); }

    ManualClock clock; // the world's: a keyboard returns when the test moves it
    SimWorld world;
    HidDevice device;
    LedEffectTable effects;
    SideModelTable sides;
};

TEST_F(SimKeyboardTest, FindsTheCommandCollectionAmongDecoys) {
    const sim::SimDeviceId keyboard = world.PlugStandardDevices();
    const auto row = OpenSupportedKeyboard(device);
    ASSERT_EQ(row, SupportedKeyboards[0]);
    KeyboardCommands commands(device, effects, sides);
    EXPECT_TRUE(commands.SendReplay(0));
    ASSERT_EQ(world.Reports(keyboard).size(), 1u);
    EXPECT_EQ(world.Reports(keyboard)[0].interfaceNumber, 1);
    EXPECT_EQ(world.Reports(keyboard)[0].collectionNumber, 7);
}

TEST_F(SimKeyboardTest, TheSecondModelIsFoundWhenTheFirstIsAbsent) {
    world.Plug(sim::DecoyKeyboard());
    const sim::SimDeviceId keyboard = world.Plug(sim::KeyboardModel0116());
    EXPECT_EQ(OpenSupportedKeyboard(device), SupportedKeyboards[1]);
    KeyboardCommands commands(device, effects, sides);
    world.SetFirmwareVersion(keyboard, 0x00C8);
    commands.QueryFirmwareVersion();
    EXPECT_EQ(commands.FirmwareVersion(), 200);
}

TEST_F(SimKeyboardTest, ADeniedOpenSaysSo) {
    const sim::SimDeviceId keyboard = world.PlugStandardDevices();
    sim::SimFaults faults;
    faults.openDenied = true;
    world.SetFaults(keyboard, faults);
    EXPECT_FALSE(OpenSupportedKeyboard(device));
    EXPECT_EQ(device.LastOpenResult().error, platform::HidOpenError::PermissionDenied);
    EXPECT_FALSE(device.LastOpenResult().message.empty());
}

TEST_F(SimKeyboardTest, FaultsAreReportedAsFailures) {
    const sim::SimDeviceId keyboard = world.PlugStandardDevices();
    ASSERT_TRUE(OpenSupportedKeyboard(device));
    KeyboardCommands commands(device, effects, sides);
    const struct {
        const char* what;
        sim::SimFaults faults;
        std::uint32_t written;
    } cases[] = {
        {"transfers fail", {true, false, false, 0, false}, 0},
        {"write times out", {false, true, false, 0, false}, 0},
        {"write pends, then finishes", {false, false, true, 0, false}, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        world.SetFaults(keyboard, c.faults);
        EXPECT_EQ(device.Write(KeyboardCommands::kVersionQuery.data()), c.written);
    }
    world.SetFaults(keyboard, {true, false, false, 0, false});
    commands.QueryFirmwareVersion();
    EXPECT_EQ(commands.FirmwareVersion(), -1);
}

TEST_F(SimKeyboardTest, AShortOutputReportCutsTheWrite) {
    const sim::SimDeviceId keyboard = world.PlugStandardDevices();
    sim::SimFaults faults;
    faults.outputReportLengthCut = 5;
    world.SetFaults(keyboard, faults);
    ASSERT_TRUE(OpenSupportedKeyboard(device));
    EXPECT_EQ(device.Write(KeyboardCommands::kVersionQuery.data()), 5u);
    EXPECT_EQ(world.Reports(keyboard).back().bytes,
              (std::vector<std::uint8_t>{0x07, 0xF1, 0, 0, 0}));
}

TEST_F(SimKeyboardTest, FactoryResetMakesTheKeyboardLeaveAndReturn) {
    const sim::SimDeviceId keyboard = world.PlugStandardDevices();
    std::vector<std::pair<platform::DeviceChange, std::string>> changes;
    ASSERT_TRUE(RegisterHidNotifications(
        world.Backend().Notifications(),
        [&](platform::DeviceChange change, const std::string& path) {
            changes.emplace_back(change, path);
        },
        [] {}));
    ASSERT_TRUE(OpenSupportedKeyboard(device));
    KeyboardCommands commands(device, effects, sides);
    EXPECT_TRUE(commands.SendFactoryReset());
    EXPECT_EQ(world.FactoryResetCount(keyboard), 1);

    // Gone: the open handle is dead, and the removal names the command collection.
    EXPECT_FALSE(commands.SendReplay(0));
    world.Backend().Notifications().Dispatch();
    bool removed = false;
    for (const auto& [change, path] : changes)
        removed |= change == platform::DeviceChange::Removal && MatchSupportedKeyboard(path);
    EXPECT_TRUE(removed);

    // Back after the replug delay: an arrival of the command collection, and
    // reopening works.
    clock.Advance(kReplugDelay);
    ASSERT_TRUE(world.WaitForPlugged(keyboard, true, 10s));
    changes.clear();
    world.Backend().Notifications().Dispatch();
    bool arrived = false;
    for (const auto& [change, path] : changes)
        arrived |= change == platform::DeviceChange::Arrival && MatchSupportedKeyboard(path);
    EXPECT_TRUE(arrived);
    EXPECT_TRUE(device.OpenById(0x1A2C, 0x9FF6, 1, 7));
    EXPECT_TRUE(commands.SendReplay(0));
}

TEST_F(SimKeyboardTest, CloseRacingTransfersNeverTouchesAStaleHandle) {
    world.PlugStandardDevices();
    ASSERT_TRUE(OpenSupportedKeyboard(device));
    std::atomic<bool> done{false};
    std::thread sender([&] {
        const std::uint8_t report[8] = {7, 0xFF, 0xFF, 0, 4, 0, 0, 0};
        while (!done)
            device.SetFeature(report); // fails now and then; must never crash
    });
    for (int i = 0; i < 200; ++i) {
        device.Close();
        device.OpenById(0x1A2C, 0x9FF6, 1, 7);
    }
    done = true;
    sender.join();
    EXPECT_TRUE(device.IsOpen());
}

} // namespace
} // namespace keywright
