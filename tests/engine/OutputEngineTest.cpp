// The output engine as event scripts: key events in, the virtual device's
// packets out, written as the keys they press ("A", "Left Control", "-" for
// a keyboard with nothing pressed, "consumer cd", "mouse 01").

#include "engine/OutputEngine.h"

#include "platform/sim/SimWorld.h"
#include "settings/KeyCatalogue.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr KeyCode kA = 0x70004;
constexpr KeyCode kB = 0x70005;
constexpr KeyCode kF1 = 0x7003A;
constexpr KeyCode kF2 = 0x7003B;
constexpr KeyCode kLeftControl = 0x700E0;

std::string Describe(const std::vector<std::uint8_t>& packet) {
    switch (packet.at(1)) {
    case VHidev::kKeyboardReportId: {
        std::string keys;
        for (int usage = 0; usage < 256; ++usage)
            if (packet.at(3 + (usage >> 3)) & (1 << (usage & 7)))
                keys += (keys.empty() ? "" : "+") +
                        std::string(
                            FindKeyInfo(MakeKeyCode(7, static_cast<std::uint16_t>(usage))).name);
        return keys.empty() ? "-" : keys;
    }
    case VHidev::kMouseReportId:
        return TraceLine("mouse %02x", packet.at(2));
    case VHidev::kConsumerReportId:
        return TraceLine("consumer %x", packet.at(2) | packet.at(3) << 8);
    default:
        return TraceLine("system %x", packet.at(2) | packet.at(3) << 8);
    }
}

KeyRecord Macro(KeyCode code, int play, int repeat, std::vector<MacroItem> steps) {
    return {code, kAssignMacro, play, repeat, "key", "macro", std::move(steps)};
}

// Types `key` once: down for `delay` ms, up for `delay` ms.
std::vector<MacroItem> Tap(KeyCode key, std::uint32_t delay) {
    return {{key, 1, delay, ""}, {key, 0, delay, ""}};
}

class OutputEngineTest : public ::testing::Test {
  protected:
    OutputEngineTest()
        : virtualDevice(world.PlugVirtualDevice()),
          device(world.Backend().Hid(), [](std::string_view) {}), engine(records, device) {
        EXPECT_TRUE(device.FindVirtualDevice());
    }

    void Press(KeyCode code) { engine.OnKeyEvent(PageOf(code), UsageOf(code), 1); }
    void Release(KeyCode code) { engine.OnKeyEvent(PageOf(code), UsageOf(code), 0); }

    std::vector<std::string> Output() {
        std::vector<std::string> out;
        for (const auto& packet : world.Packets(virtualDevice))
            out.push_back(Describe(packet));
        return out;
    }
    // Waits until the playback has finished (its code went back to 0).
    bool Finished(std::chrono::milliseconds timeout = 5s) {
        const auto end = Clock::now() + timeout;
        while (engine.PlayingCode() != 0) {
            if (Clock::now() > end)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    sim::SimWorld world;
    sim::SimDeviceId virtualDevice;
    VHidev device;
    RecordStore records; // no file: changes are not saved
    OutputEngine engine;
};

using Script = std::vector<std::string>;

TEST_F(OutputEngineTest, PlayOnePassesEachPressAndRelease) {
    records.Put({kF1, kAssignSingleKey, 1, 1, "F1", "Left Control", {{kLeftControl, 0, 0, ""}}});
    records.Put({kF2, kAssignMediaKey, 1, 1, "F2", "Play Pause", {{0xC00CD, 0, 0, ""}}});
    Press(kF1);
    Release(kF1);
    Press(kF2);
    Release(kF2);
    Press(kA); // no record: nothing
    EXPECT_EQ(Output(), (Script{"Left Control", "-", "consumer cd", "consumer 0"}));
}

TEST_F(OutputEngineTest, MouseButtonsFromTheCatalogueReachTheMouseReport) {
    const struct {
        KeyCode code;
        const char* pressed;
    } cases[] = {{0x10001, "mouse 01"},
                 {0x10003, "mouse 02"},
                 {0x10002, "mouse 04"},
                 {0x10004, "mouse 08"},
                 {0x10005, "mouse 10"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pressed);
        world.ClearReports(virtualDevice);
        records.Clear();
        records.Put({kF1, kAssignSingleKey, 1, 1, "F1", "mouse", {{c.code, 0, 0, ""}}});
        Press(kF1);
        Release(kF1);
        EXPECT_EQ(Output(), (Script{c.pressed, "mouse 00"}));
    }
}

TEST_F(OutputEngineTest, PlayTwoTypesTheMacroRepeatTimesThenReleasesItsKeys) {
    records.Put(Macro(kF1, 2, 3, Tap(kA, 10)));
    const auto start = Clock::now();
    Press(kF1);
    Release(kF1);
    ASSERT_TRUE(Finished());
    EXPECT_GE(Clock::now() - start, 55ms); // six steps of at least 10 ms
    EXPECT_EQ(Output(), (Script{"A", "-", "A", "-", "A", "-", "-"}));

    // Repeat 0 plays nothing.
    world.ClearReports(virtualDevice);
    records.Put(Macro(kF1, 2, 0, Tap(kA, 10)));
    Press(kF1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Output(), Script{});
}

TEST_F(OutputEngineTest, PlayThreeRepeatsWhileHeld) {
    records.Put(Macro(kF1, 3, 1, Tap(kA, 5)));
    Press(kF1);
    ASSERT_TRUE(world.WaitForPackets(virtualDevice, 6, 5s)); // three times at least
    Release(kF1); // stops at the next step boundary or wait
    EXPECT_EQ(engine.PlayingCode(), 0u);
    const Script out = Output();
    EXPECT_EQ(out.back(), "-");
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Output().size(), out.size()); // nothing after the stop
}

TEST_F(OutputEngineTest, PlayFourStopsOnTheNextPressAndDoesNotRestart) {
    records.Put(Macro(kF1, 4, 1, Tap(kA, 5)));
    Press(kF1);
    Release(kF1); // an up does not stop mode 4
    ASSERT_TRUE(world.WaitForPackets(virtualDevice, 4, 5s));
    EXPECT_EQ(engine.PlayingCode(), kF1);
    Press(kF1);
    EXPECT_EQ(engine.PlayingCode(), 0u);
    const size_t stopped = Output().size();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Output().size(), stopped);
    Press(kF1); // the third press starts again
    EXPECT_TRUE(world.WaitForPackets(virtualDevice, stopped + 2, 5s));
    engine.StopPlayback();
}

TEST_F(OutputEngineTest, PlayFiveStopsOnAnotherKeyWithoutRunningIt) {
    records.Put(Macro(kF1, 5, 1, Tap(kA, 5)));
    records.Put({kF2, kAssignSingleKey, 1, 1, "F2", "B", {{kB, 0, 0, ""}}});
    Press(kF1);
    ASSERT_TRUE(world.WaitForPackets(virtualDevice, 2, 5s));
    Press(kF1); // the playing key's own repeat does nothing
    EXPECT_EQ(engine.PlayingCode(), kF1);
    Press(kF2); // stops; F2's own record does not run
    EXPECT_EQ(engine.PlayingCode(), 0u);
    Release(kF2); // the mode is over: this up is F2's again
    const Script out = Output();
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[out.size() - 2], "-");
    EXPECT_EQ(out.back(), "-"); // the release of B, never pressed
    for (const std::string& packet : out)
        EXPECT_NE(packet, "B");
}

TEST_F(OutputEngineTest, PlaySixStopsOnAnyKeyIncludingItself) {
    records.Put(Macro(kF1, 6, 1, Tap(kA, 5)));
    Press(kF1);
    ASSERT_TRUE(world.WaitForPackets(virtualDevice, 2, 5s));
    Press(kF1);
    EXPECT_EQ(engine.PlayingCode(), 0u);
    const size_t stopped = Output().size();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(Output().size(), stopped);
}

TEST_F(OutputEngineTest, PlayEightPlaysOnce) {
    records.Put(Macro(kF1, 8, 5, Tap(kA, 1)));
    Press(kF1);
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Output(), (Script{"A", "-", "-"}));
}

TEST_F(OutputEngineTest, StepsOfOtherPagesPlayAsThemselves) {
    // A media key and a mouse button recorded into a macro must not press the
    // keyboard keys that share their low byte (0xCD, 0x01).
    records.Put(Macro(kF1, 2, 1,
                      {{0xC00CD, 1, 1, "Play Pause"},
                       {0xC00CD, 0, 1, "Play Pause"},
                       {0x10001, 1, 1, "Mouse Left"}}));
    Press(kF1);
    ASSERT_TRUE(Finished());
    // At the end every key the macro pressed is released once more.
    EXPECT_EQ(Output(),
              (Script{"consumer cd", "consumer 0", "mouse 01", "consumer 0", "mouse 00"}));
}

TEST_F(OutputEngineTest, DelayZeroWaitsOneMillisecond) {
    std::vector<MacroItem> steps;
    for (int i = 0; i < 20; ++i)
        steps.push_back({kA, static_cast<std::uint32_t>(i % 2 == 0), 0, ""});
    records.Put(Macro(kF1, 2, 1, steps));
    const auto start = Clock::now();
    Press(kF1);
    ASSERT_TRUE(Finished());
    EXPECT_GE(Clock::now() - start, 19ms);
}

TEST_F(OutputEngineTest, EveryRecordOfAKeyActs) {
    // Only a hand-edited file can hold two records of one key.
    const auto file = std::filesystem::temp_directory_path() /
                      ("keywright-engine-" +
                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".xml");
    std::ofstream(file) << R"(<record code="7003a" play="1"><item code="70004" /></record>)"
                        << R"(<record code="7003a" play="1"><item code="70005" /></record>)";
    ASSERT_TRUE(records.Load(file));
    std::filesystem::remove(file);
    Press(kF1);
    Release(kF1);
    EXPECT_EQ(Output(), (Script{"A", "A+B", "B", "-"}));
}

TEST_F(OutputEngineTest, ManyEventsWhileRecordsChange) {
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int i = 0; !done; ++i) {
            records.Put(Macro(kF1, 2 + i % 5, 1, Tap(kA, 1)));
            records.Put({kF2, kAssignSingleKey, 1, 1, "F2", "B", {{kB, 0, 0, ""}}});
            records.Remove(i % 2 ? kF1 : kF2);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        Press(i % 3 ? kF1 : kF2);
        Release(i % 3 ? kF1 : kF2);
    }
    done = true;
    editor.join();
    engine.StopPlayback();
    device.ReleaseAll();
    EXPECT_EQ(Output().back(), "system 0");
}

} // namespace
} // namespace keywright
