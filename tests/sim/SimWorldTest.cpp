#include "platform/sim/SimWorld.h"

#include "SimTestSupport.h"
#include "platform/sim/SimModels.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace keywright::sim {
namespace {

using namespace std::chrono_literals;
using platform::DeviceChange;
using test::MaskInstance;
using test::OpenReadWrite;

std::vector<std::string> ListedPaths(SimWorld& world) {
    std::vector<std::string> paths;
    for (const auto& entry : world.Backend().Hid().ListInterfaces()) {
        paths.push_back(entry.path);
    }
    return paths;
}

std::vector<std::string> Masked(const std::vector<std::string>& paths) {
    std::vector<std::string> masked;
    for (const auto& path : paths) {
        masked.push_back(MaskInstance(path));
    }
    return masked;
}

// "\\?\hid#" + device + "#<i>#{hid class}" for each device part.
std::vector<std::string> Expected(const std::vector<std::string>& deviceParts) {
    std::vector<std::string> paths;
    for (const auto& part : deviceParts) {
        paths.push_back("\\\\?\\hid#" + part + "#<i>#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    }
    return paths;
}

std::vector<std::string> KeyboardParts(const std::string& vidPid) {
    return {vidPid + "&mi_00",       vidPid + "&mi_01&col01", vidPid + "&mi_01&col02",
            vidPid + "&mi_01&col03", vidPid + "&mi_01&col04", vidPid + "&mi_01&col05",
            vidPid + "&mi_01&col06", vidPid + "&mi_01&col07", vidPid + "&mi_02&col01",
            vidPid + "&mi_02&col17"};
}

TEST(SimWorld, ListsEveryCollectionOfAPluggedModelUnderItsWindowsPath) {
    struct Case {
        SimDeviceSpec spec;
        std::vector<std::string> deviceParts;
    };
    const Case cases[] = {
        {KeyboardModel9ff6(), KeyboardParts("vid_1a2c&pid_9ff6")},
        {KeyboardModel0116(), KeyboardParts("vid_1a2c&pid_0116")},
        {DecoyKeyboard(), KeyboardParts("vid_04d9&pid_1702")},
        {DecoyMouse(), {"vid_046d&pid_c077"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec.name);
        SimWorld world;
        const SimDeviceId id = world.Plug(c.spec);
        const auto entries = world.Backend().Hid().ListInterfaces();
        EXPECT_EQ(Masked(ListedPaths(world)), Expected(c.deviceParts));
        EXPECT_EQ(ListedPaths(world), world.Paths(id));
        for (const auto& entry : entries) {
            EXPECT_EQ(entry.interfaceClassGuid, platform::kHidInterfaceClass);
            EXPECT_EQ(entry.flags, platform::kInterfaceActive);
        }
    }
}

TEST(SimWorld, GivesEveryPluggedCollectionItsOwnInstance) {
    SimWorld world;
    world.PlugStandardDevices();
    world.Plug(KeyboardModel9ff6()); // the same model twice
    const std::regex instanceForm("8&[0-9a-f]{8}&0&[0-9a-f]{4}");
    std::set<std::string> instances;
    for (const auto& path : ListedPaths(world)) {
        const std::string instance = test::InstanceOf(path);
        EXPECT_TRUE(std::regex_match(instance, instanceForm)) << path;
        EXPECT_TRUE(instances.insert(instance).second) << "instance used twice: " << path;
    }
}

TEST(SimWorld, ListsPluggedDevicesInPlugOrder) {
    SimWorld world;
    const SimDeviceId mouse = world.Plug(DecoyMouse());
    const SimDeviceId keyboard = world.Plug(KeyboardModel9ff6());
    const auto mousePaths = world.Paths(mouse);
    const auto keyboardPaths = world.Paths(keyboard);

    world.Unplug(mouse);
    EXPECT_FALSE(world.IsPlugged(mouse));
    EXPECT_EQ(ListedPaths(world), keyboardPaths);

    // Back in the same port: the same paths, now listed last.
    world.Replug(mouse);
    EXPECT_TRUE(world.IsPlugged(mouse));
    auto expected = keyboardPaths;
    expected.insert(expected.end(), mousePaths.begin(), mousePaths.end());
    EXPECT_EQ(ListedPaths(world), expected);
}

TEST(SimWorld, StandardWorldPlugsTheKeyboardAfterTheDecoysAndTheVirtualDevice) {
    const auto world = SimWorld::Standard();
    const auto paths = ListedPaths(*world);
    ASSERT_EQ(paths.size(), 22U); // mouse, decoy keyboard, virtual device, keyboard
    EXPECT_NE(paths.front().find("vid_046d&pid_c077#"), std::string::npos);
    EXPECT_NE(paths[1].find("vid_04d9&pid_1702"), std::string::npos);
    ASSERT_NE(world->VirtualDevice(), 0U);
    EXPECT_EQ(paths[11], world->Paths(world->VirtualDevice()).at(0));
    EXPECT_NE(paths.back().find("vid_1a2c&pid_9ff6&mi_02&col17#"), std::string::npos);
}

TEST(SimWorld, StandardWorldCanStartWithoutTheVirtualDevice) {
    const auto world = SimWorld::Standard({.virtualDevice = false});
    EXPECT_EQ(ListedPaths(*world).size(), 21U);
    EXPECT_EQ(world->VirtualDevice(), 0U);
}

TEST(SimWorld, PointsAtTheCommandCollection) {
    SimWorld world;
    const SimDeviceId keyboard = world.Plug(KeyboardModel0116());
    const SimDeviceId mouse = world.Plug(DecoyMouse());
    EXPECT_NE(world.CommandPath(keyboard).find("vid_1a2c&pid_0116&mi_01&col07#"),
              std::string::npos);
    EXPECT_EQ(world.CommandPath(mouse), "");
}

TEST(SimWorld, RejectsUnknownDeviceIds) {
    SimWorld world;
    EXPECT_THROW(world.IsPlugged(1), std::out_of_range);
    EXPECT_THROW(world.Unplug(7), std::out_of_range);
    EXPECT_THROW(world.SetFaults(7, {}), std::out_of_range);
}

// The world on a test clock: the keyboard's return after a reset comes when
// the test has moved the clock by the replug delay.
class SimWorldFactoryReset : public ::testing::Test {
  protected:
    static constexpr auto kDelay = 1s;

    void SetUp() override {
        keyboard_ = world_.Plug(KeyboardModel9ff6());
        world_.Backend().Notifications().Subscribe(
            [this](DeviceChange change, const std::string& path) {
                changes_.emplace_back(change, path);
            },
            [this] {
                std::lock_guard lock(wakeMutex_);
                ++wakes_;
                woken_.notify_all();
            });
        hid_ = &world_.Backend().Hid();
        handle_ = OpenReadWrite(*hid_, world_.CommandPath(keyboard_));
        ASSERT_TRUE(platform::IsOpenHandle(handle_));
    }

    bool SendReset() {
        const std::uint8_t reset[8] = {0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0};
        const auto result = hid_->Write(handle_, reset, sizeof reset, 3000);
        return result.start == platform::HidWriteResult::Start::Completed && result.bytes == 8;
    }

    std::vector<std::pair<DeviceChange, std::string>> Changes(DeviceChange change) const {
        std::vector<std::pair<DeviceChange, std::string>> expected;
        for (const auto& path : world_.Paths(keyboard_)) {
            expected.emplace_back(change, path);
        }
        return expected;
    }

    // Waits, as a UI thread would, to be woken `count` times in all.
    bool WaitForWakes(int count) {
        std::unique_lock lock(wakeMutex_);
        return woken_.wait_for(lock, 5s, [&] { return wakes_ >= count; });
    }

    std::vector<std::pair<DeviceChange, std::string>> changes_;
    std::mutex wakeMutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
    ManualClock clock_;
    // Declared last: the world ends first, so its thread cannot wake into
    // members already gone.
    SimWorld world_{{.trace = false, .traceOutput = nullptr, .replugDelay = kDelay}, clock_};
    SimDeviceId keyboard_ = 0;
    platform::HidService* hid_ = nullptr;
    platform::HidHandle handle_ = platform::kInvalidHid;
};

TEST_F(SimWorldFactoryReset, LeavesAtOnceAndReturnsAfterTheDelay) {
    const std::uint8_t effect[8] = {0x07, 0xFF, 0xFF, 0x03, 4, 2, 0, 0};
    ASSERT_TRUE(hid_->SetFeature(handle_, effect, sizeof effect));
    ASSERT_TRUE(world_.LastEffect(keyboard_, 3).has_value());

    ASSERT_TRUE(SendReset());
    EXPECT_EQ(world_.FactoryResetCount(keyboard_), 1);
    EXPECT_FALSE(world_.LastEffect(keyboard_, 3).has_value()) << "lighting back to factory state";
    EXPECT_FALSE(world_.IsPlugged(keyboard_));
    ASSERT_TRUE(WaitForWakes(1));
    world_.Backend().Notifications().Dispatch();
    EXPECT_EQ(changes_, Changes(DeviceChange::Removal));
    changes_.clear();

    // 1 ms before the delay is up the return still waits for its time.
    clock_.Advance(kDelay - 1ms);
    ASSERT_TRUE(clock_.WaitForSleepers(1));
    EXPECT_FALSE(world_.IsPlugged(keyboard_));
    clock_.Advance(1ms);
    ASSERT_TRUE(WaitForWakes(2)) << "the keyboard returns and wakes the subscriber";
    EXPECT_TRUE(world_.IsPlugged(keyboard_));
    world_.Backend().Notifications().Dispatch();
    EXPECT_EQ(changes_, Changes(DeviceChange::Arrival));

    // The old handle died with the departure; the same path opens anew.
    std::uint8_t answer[8] = {0x07};
    EXPECT_FALSE(hid_->SetFeature(handle_, effect, sizeof effect));
    EXPECT_FALSE(hid_->GetFeature(handle_, answer, sizeof answer));
    platform::HidCaps caps;
    EXPECT_FALSE(hid_->GetCaps(handle_, caps));
    const auto fresh = OpenReadWrite(*hid_, world_.CommandPath(keyboard_));
    ASSERT_TRUE(platform::IsOpenHandle(fresh));
    EXPECT_NE(fresh, handle_);
    EXPECT_TRUE(hid_->SetFeature(fresh, effect, sizeof effect));
}

TEST_F(SimWorldFactoryReset, ExplicitUnplugCancelsTheReturn) {
    ASSERT_TRUE(SendReset());
    world_.Unplug(keyboard_);
    clock_.Advance(kDelay * 2);
    // The returner waits again only once nothing is due: a return it had
    // kept would have plugged the keyboard before that.
    ASSERT_TRUE(clock_.WaitForSleepers(1));
    EXPECT_FALSE(world_.IsPlugged(keyboard_));
}

TEST(SimWorld, EndsWithoutWaitingForAPendingReturn) {
    ManualClock clock;
    auto world = std::make_unique<SimWorld>(
        SimWorldOptions{.trace = false, .traceOutput = nullptr, .replugDelay = 10s}, clock);
    const SimDeviceId keyboard = world->Plug(KeyboardModel9ff6());
    auto& hid = world->Backend().Hid();
    const auto handle = OpenReadWrite(hid, world->CommandPath(keyboard));
    const std::uint8_t reset[8] = {0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0};
    hid.Write(handle, reset, sizeof reset, 3000);
    ASSERT_FALSE(world->IsPlugged(keyboard));
    ASSERT_TRUE(clock.WaitForSleepers(1)) << "the return is pending";

    // Nobody moves the clock: the world must end all the same.
    auto ended = std::async(std::launch::async, [&] { world.reset(); });
    const bool endedAtOnce = ended.wait_for(10s) == std::future_status::ready;
    if (!endedAtOnce) {
        clock.Advance(1h); // lets the world end with the test
    }
    EXPECT_TRUE(endedAtOnce);
}

} // namespace
} // namespace keywright::sim
