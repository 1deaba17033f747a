// The output engine as event scripts: key events and clock steps in, the
// virtual device's packets out, written as the keys they press ("A", "Left
// Control", "-" for a keyboard with nothing pressed, "consumer cd", "mouse 01").
// The playback runs on a test clock, so a script says when each packet comes.

#include "engine/OutputEngine.h"

#include "platform/sim/SimWorld.h"
#include "settings/KeyCatalogue.h"
#include "support/ClockScript.h"

#include <atomic>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;
using test::kPatience;
using test::Pass;

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

using Script = std::vector<std::string>;

// One line of a script: what happens, and the packets it must send at once.
// What happens is a key event ("F1 down", "B up"), time passing as it does
// ("10 ms": every deadline on the way is met in turn) or a stall ("stall
// 25 ms": the clock jumps, as when the machine did not run the playback).
struct Line {
    std::string step;
    Script out;
};

class OutputEngineTest : public ::testing::Test {
  protected:
    OutputEngineTest()
        : virtualDevice(world.PlugVirtualDevice()),
          device(world.Backend().Hid(), [](std::string_view) {}), engine(records, device, clock) {
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

    // Plays the lines in order; each line's packets must be exactly what the
    // device got since the line before.
    void Play(const std::vector<Line>& lines) {
        std::size_t seen = Output().size();
        for (const Line& line : lines) {
            SCOPED_TRACE(line.step);
            Do(line.step);
            ASSERT_TRUE(world.WaitForPackets(virtualDevice, seen + line.out.size(), kPatience));
            Settle();
            const Script out = Output();
            EXPECT_EQ(Script(out.begin() + static_cast<std::ptrdiff_t>(seen), out.end()), line.out);
            seen = out.size();
        }
    }

    // Lets the playback do everything due by now. A playback thread lives
    // while a record plays (its code is set) and after it ended by itself;
    // one that was stopped is gone. Once ended, it only waits for its stop.
    void Settle() {
        if (engine.PlayingCode() != 0) {
            ASSERT_TRUE(clock.WaitForSleepers(1));
        }
    }

    void Do(const std::string& step) {
        static const std::map<std::string, KeyCode> keys{
            {"A", kA}, {"B", kB}, {"F1", kF1}, {"F2", kF2}};
        const auto space = step.find(' ');
        ASSERT_NE(space, std::string::npos) << "bad line";
        const std::string first = step.substr(0, space);
        const std::string rest = step.substr(space + 1);
        if (first == "stall") {
            clock.Advance(Milliseconds(rest));
        } else if (rest == "ms") {
            const Clock::Duration length = Milliseconds(first + " ms");
            if (engine.PlayingCode() != 0) {
                ASSERT_TRUE(Pass(clock, length));
            } else {
                clock.Advance(length); // nothing waits for a deadline
            }
        } else {
            ASSERT_EQ(keys.count(first), 1u) << "unknown key";
            ASSERT_TRUE(rest == "down" || rest == "up") << "bad line";
            engine.OnKeyEvent(PageOf(keys.at(first)), UsageOf(keys.at(first)), rest == "down");
        }
    }

    static Clock::Duration Milliseconds(const std::string& text) {
        int ms = -1;
        std::from_chars(text.data(), text.data() + text.size(), ms);
        EXPECT_GE(ms, 0) << "bad time: " << text;
        return std::chrono::milliseconds(ms);
    }

    ManualClock clock;
    sim::SimWorld world;
    sim::SimDeviceId virtualDevice;
    VHidev device;
    RecordStore records; // no file: changes are not saved
    OutputEngine engine;
};

TEST_F(OutputEngineTest, PlayOnePassesEachPressAndRelease) {
    records.Put({kF1,
                 kAssignSingleKey,
                 kPlayPassThrough,
                 1,
                 "F1",
                 "Left Control",
                 {{kLeftControl, 0, 0, ""}}});
    records.Put(
        {kF2, kAssignMediaKey, kPlayPassThrough, 1, "F2", "Play Pause", {{0xC00CD, 0, 0, ""}}});
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
        records.Put(
            {kF1, kAssignSingleKey, kPlayPassThrough, 1, "F1", "mouse", {{c.code, 0, 0, ""}}});
        Press(kF1);
        Release(kF1);
        EXPECT_EQ(Output(), (Script{c.pressed, "mouse 00"}));
    }
}

TEST_F(OutputEngineTest, PlayTwoTypesTheMacroRepeatTimesThenReleasesItsKeys) {
    records.Put(Macro(kF1, kPlayRepeat, 3, Tap(kA, 10)));
    Play({
        {"F1 down", {"A"}},
        {"F1 up", {}},
        {"9 ms", {}},
        {"1 ms", {"-"}},
        {"10 ms", {"A"}},
        {"10 ms", {"-"}},
        {"10 ms", {"A"}},
        {"10 ms", {"-"}},
        {"10 ms", {"-"}}, // the end: what the macro pressed is released once more
        {"100 ms", {}},
    });
    EXPECT_EQ(engine.PlayingCode(), 0u);

    // Repeat 0 plays nothing.
    records.Put(Macro(kF1, kPlayRepeat, 0, Tap(kA, 10)));
    Play({
        {"F1 down", {}},
        {"100 ms", {}},
    });
}

TEST_F(OutputEngineTest, PlayThreeRepeatsWhileHeld) {
    records.Put(Macro(kF1, kPlayWhileHeld, 1, Tap(kA, 5)));
    Play({
        {"F1 down", {"A"}},
        {"5 ms", {"-"}},
        {"5 ms", {"A"}},
        {"5 ms", {"-"}},
        {"5 ms", {"A"}},
        {"2 ms", {}},
        {"F1 up", {"-"}}, // stops in the middle of the wait
        {"100 ms", {}},
    });
    EXPECT_EQ(engine.PlayingCode(), 0u);
}

TEST_F(OutputEngineTest, PlayFourStopsOnTheNextPressAndDoesNotRestart) {
    records.Put(Macro(kF1, kPlayUntilPressedAgain, 1, Tap(kA, 5)));
    Play({
        {"F1 down", {"A"}},
        {"F1 up", {}}, // an up does not stop mode 4
        {"5 ms", {"-"}},
        {"5 ms", {"A"}},
        {"F1 down", {"-"}},
        {"100 ms", {}},
        {"F1 down", {"A"}}, // the third press starts again
        {"5 ms", {"-"}},
    });
    EXPECT_EQ(engine.PlayingCode(), kF1);
}

TEST_F(OutputEngineTest, PlayFiveStopsOnAnotherKeyWithoutRunningIt) {
    records.Put(Macro(kF1, kPlayUntilOtherKey, 1, Tap(kA, 5)));
    records.Put({kF2, kAssignSingleKey, kPlayPassThrough, 1, "F2", "B", {{kB, 0, 0, ""}}});
    Play({
        {"F1 down", {"A"}},
        {"5 ms", {"-"}},
        {"F1 down", {}}, // the playing key's own repeat does nothing
        {"5 ms", {"A"}},
        {"F2 down", {"-"}}, // stops; F2's own record does not run
        {"F2 up", {"-"}},   // the mode is over: this up is F2's again (B, never pressed)
        {"100 ms", {}},
    });
}

TEST_F(OutputEngineTest, PlaySixStopsOnAnyKeyIncludingItself) {
    records.Put(Macro(kF1, kPlayUntilAnyKey, 1, Tap(kA, 5)));
    Play({
        {"F1 down", {"A"}},
        {"5 ms", {"-"}},
        {"5 ms", {"A"}},
        {"F1 down", {"-"}}, // stops, and does not start it again
        {"100 ms", {}},
    });
    EXPECT_EQ(engine.PlayingCode(), 0u);
}

TEST_F(OutputEngineTest, PlayEightPlaysOnce) {
    records.Put(Macro(kF1, kPlayOnce, 5, Tap(kA, 1)));
    Play({
        {"F1 down", {"A"}},
        {"1 ms", {"-"}},
        {"1 ms", {"-"}},
        {"100 ms", {}},
    });
}

TEST_F(OutputEngineTest, StepsOfOtherPagesPlayAsThemselves) {
    // A media key and a mouse button recorded into a macro must not press the
    // keyboard keys that share their low byte (0xCD, 0x01).
    records.Put(Macro(kF1, kPlayRepeat, 1,
                      {{0xC00CD, 1, 1, "Play Pause"},
                       {0xC00CD, 0, 1, "Play Pause"},
                       {0x10001, 1, 1, "Mouse Left"}}));
    Play({
        {"F1 down", {"consumer cd"}},
        {"1 ms", {"consumer 0"}},
        {"1 ms", {"mouse 01"}},
        // At the end every key the macro pressed is released once more.
        {"1 ms", {"consumer 0", "mouse 00"}},
    });
}

TEST_F(OutputEngineTest, DelayZeroWaitsOneMillisecond) {
    std::vector<MacroItem> steps;
    std::vector<Line> lines{{"F1 down", {"A"}}};
    for (int i = 0; i < 20; ++i) {
        steps.push_back({kA, static_cast<std::uint32_t>(i % 2 == 0), 0, ""});
        if (i > 0)
            lines.push_back({"1 ms", {i % 2 == 0 ? "A" : "-"}});
    }
    lines.push_back({"1 ms", Script(10, "-")}); // the end: each pressing step is released again
    records.Put(Macro(kF1, kPlayRepeat, 1, steps));
    Play(lines);
}

TEST_F(OutputEngineTest, StepsKeepToTheirTimelineAndStartItAgainAfterAStall) {
    // A step that comes a little late (the machine ran the playback late)
    // does not move the steps after it, so a long macro ends on time. After a
    // stall the timeline starts again from the late step instead of firing
    // the missed steps in a burst.
    records.Put(Macro(kF1, kPlayRepeat, 2, Tap(kA, 10)));
    Play({
        {"F1 down", {"A"}},
        {"stall 14 ms", {"-"}}, // due at 10, came at 14
        {"5 ms", {}},
        {"1 ms", {"A"}},        // at 20, as due
        {"stall 90 ms", {"-"}}, // due at 30, came at 110
        {"9 ms", {}},
        {"1 ms", {"-"}}, // the end, at 120
    });
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
    // The real clock is the point here: playbacks play while events and edits
    // race them.
    OutputEngine realTime(records, device);
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int i = 0; !done; ++i) {
            records.Put(Macro(kF1, 2 + i % 5, 1, Tap(kA, 1)));
            records.Put({kF2, kAssignSingleKey, kPlayPassThrough, 1, "F2", "B", {{kB, 0, 0, ""}}});
            records.Remove(i % 2 ? kF1 : kF2);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const KeyCode key = i % 3 ? kF1 : kF2;
        realTime.OnKeyEvent(PageOf(key), UsageOf(key), 1);
        realTime.OnKeyEvent(PageOf(key), UsageOf(key), 0);
    }
    done = true;
    editor.join();
    realTime.StopPlayback();
    device.ReleaseAll();
    EXPECT_EQ(Output().back(), "system 0");
}

TEST_F(OutputEngineTest, OnTheSystemClockAMacroPlaysByItself) {
    OutputEngine realTime(records, device);
    records.Put(Macro(kF1, kPlayOnce, 1, Tap(kA, 1)));
    realTime.OnKeyEvent(PageOf(kF1), UsageOf(kF1), 1);
    ASSERT_TRUE(world.WaitForPackets(virtualDevice, 3, kPatience));
    EXPECT_EQ(Output(), (Script{"A", "-", "-"}));
}

} // namespace
} // namespace keywright
