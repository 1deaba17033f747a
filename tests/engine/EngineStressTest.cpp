// The key monitor and the output engine under load: a million key events
// from the filter while another thread (standing in for the UI thread) keeps
// changing assignments, macros and play modes, sending the key table and
// stopping playbacks. Run under the thread sanitizer it shows races; a
// deadlock shows as the reader no longer taking keys; and at the end nothing
// may be left pressed on the virtual device: every press is released, also
// when the key's assignment changed while it was held.
#include "engine/KeyMonitor.h"
#include "engine/OutputEngine.h"
#include "platform/sim/SimWorld.h"
#include "support/ClockScript.h"

#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kEvents = 1'000'000;
constexpr std::size_t kBatch = 20'000;

// The physical keys pressed: a handful, so each is assigned, reassigned and
// unassigned many times while it is held.
constexpr std::array<KeyCode, 6> kKeys = {0x70004, 0x70005, 0x7003A, 0x7003B, 0x700E1, 0xC00E9};

// What they are given: keyboard keys and modifiers, mouse buttons (as the
// catalogue files them), media keys, system controls.
constexpr std::array<KeyCode, 12> kTargets = {0x70006, 0x70007, 0x700E0, 0x700E5, 0x10001, 0x10002,
                                              0x10005, 0xC00CD, 0xC00E2, 0xC00EA, 0x10081, 0x10082};

constexpr std::int32_t kPlayModes[] = {
    kPlayPassThrough,   kPlayRepeat,      kPlayWhileHeld, kPlayUntilPressedAgain,
    kPlayUntilOtherKey, kPlayUntilAnyKey, kPlayOnce};

KeyRecord RandomRecord(std::mt19937& random) {
    KeyRecord record;
    record.code = kKeys[random() % kKeys.size()];
    record.play = kPlayModes[random() % std::size(kPlayModes)];
    record.type = record.play == kPlayPassThrough ? kAssignSingleKey : kAssignMacro;
    record.repeat = static_cast<std::int32_t>(1 + random() % 3);
    const std::size_t steps = record.play == kPlayPassThrough ? 1 : random() % 5;
    for (std::size_t i = 0; i < steps; ++i)
        record.steps.push_back({kTargets[random() % kTargets.size()],
                                static_cast<std::uint32_t>(random() % 2),
                                static_cast<std::uint32_t>(random() % 3), ""});
    return record;
}

TEST(EngineUnderLoad, AMillionKeyEventsWhileAssignmentsChangeLeaveNothingPressed) {
    sim::SimWorld world;
    const sim::SimDeviceId virtualDevice = world.PlugVirtualDevice();
    VHidev device(world.Backend().Hid(), [](std::string_view) {});
    ASSERT_TRUE(device.FindVirtualDevice());
    RecordStore records;                  // no file: changes are not saved
    OutputEngine engine(records, device); // the real clock: macros play as events race them
    sim::SimFilterService& filter = world.Filter();
    HidUsbFilter::KeyMonitor monitor(filter);
    monitor.Subscribe(&engine, &OutputEngine::OnKeyEvent);
    ASSERT_NE(monitor.Channel().Open(), platform::kInvalidFilter);
    ASSERT_TRUE(monitor.RestartReader());

    std::atomic<bool> done{false};
    std::atomic<long> changes{0};
    std::thread ui([&] {
        std::mt19937 random(2);
        while (!done) {
            const unsigned what = random() % 100;
            if (what < 70)
                records.Put(RandomRecord(random));
            else if (what < 85)
                records.Remove(kKeys[random() % kKeys.size()]);
            else if (what < 88)
                records.Clear();
            else if (what < 95)
                monitor.SendKeyTable(records);
            else
                engine.StopPlayback();
            ++changes;
            std::this_thread::yield();
        }
    });

    // The last packet of each report, followed in pieces to keep memory flat.
    std::map<std::uint8_t, std::vector<std::uint8_t>> last;
    const auto follow = [&] {
        for (auto& packet : world.TakePackets(virtualDevice))
            last[packet.at(1)] = std::move(packet);
    };

    std::mt19937 random(1);
    std::array<bool, kKeys.size()> down{};
    const auto inject = [&](std::size_t key, bool press) {
        down[key] = press;
        filter.InjectKey(static_cast<std::uint8_t>(PageOf(kKeys[key])), UsageOf(kKeys[key]), press);
    };
    for (std::size_t sent = 0; sent < kEvents;) {
        for (std::size_t i = 0; i < kBatch && sent < kEvents; ++i, ++sent) {
            const std::size_t key = random() % kKeys.size();
            inject(key, !down[key]);
        }
        // Every event dispatched: the reader is back for the next one.
        ASSERT_TRUE(filter.WaitForKeyWait(test::kPatience * 10))
            << "the reader stopped taking keys after " << sent << " events";
        follow();
    }
    for (std::size_t key = 0; key < kKeys.size(); ++key)
        if (down[key])
            inject(key, false);
    ASSERT_TRUE(filter.WaitForKeyWait(test::kPatience * 10));
    done = true;
    ui.join();
    engine.StopPlayback();
    follow();
    RecordProperty("changes", static_cast<int>(changes));

    ASSERT_EQ(last.count(VHidev::kKeyboardReportId), 1u) << "no keyboard packet at all";
    const auto& keyboard = last[VHidev::kKeyboardReportId];
    for (std::size_t byte = 2; byte < keyboard.size(); ++byte)
        EXPECT_EQ(keyboard[byte], 0) << "keyboard map byte " << byte - 3 << " left pressed";
    if (last.count(VHidev::kMouseReportId)) {
        EXPECT_EQ(last[VHidev::kMouseReportId][2], 0) << "mouse buttons left pressed";
    }
    for (const std::uint8_t id : {VHidev::kConsumerReportId, VHidev::kSystemReportId}) {
        if (last.count(id)) {
            EXPECT_EQ(last[id][2] | last[id][3], 0) << "report " << int{id} << " left pressed";
        }
    }
}

} // namespace
} // namespace keywright
