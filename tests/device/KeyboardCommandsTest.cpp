#include "device/KeyboardCommands.h"

#include "FakeHid.h"

#include <functional>
#include <future>
#include <gtest/gtest.h>

namespace keywright {
namespace {

using namespace std::chrono_literals;
using test::FakeHid;
using test::FakeLocks;
using Bytes = std::vector<std::uint8_t>;

const std::string kKeyboard = "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#x#{g}";

constexpr auto kSpacing = KeyboardCommands::kCommandSpacing;

class KeyboardCommandsTest : public ::testing::Test {
  protected:
    KeyboardCommandsTest()
        : device(hid, locks, [](std::string_view) {}), commands(device, effects, sides, clock) {
        hid.caps[kKeyboard] = {1, 0xFF00, 8, 8, 8};
        EXPECT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    }

    // A send on its own thread, as a paced one blocks until the test moves
    // the clock.
    static std::future<bool> Start(std::function<bool()> send) {
        return std::async(std::launch::async, std::move(send));
    }

    // Whether the send finishes without the clock moving on. When it does
    // not, the clock jumps far ahead so that the thread ends with the test.
    bool Finishes(std::future<bool>& send) {
        if (send.wait_for(10s) == std::future_status::ready)
            return true;
        clock.Advance(24h);
        return false;
    }

    // "100 ms", then `send`: a whole spacing has passed, so it must go out
    // (or be dropped) at once.
    void AfterTheSpacing(std::function<void()> send) {
        clock.Advance(kSpacing);
        auto sending = Start([&] {
            send();
            return true;
        });
        EXPECT_TRUE(Finishes(sending)) << "waited although the spacing had passed";
    }

    // The bytes of every report the keyboard got, in order.
    std::vector<Bytes> Sent(const std::string& what = "set") {
        std::vector<Bytes> sent;
        for (const auto& call : hid.Calls())
            if (call.what == what)
                sent.push_back(call.bytes);
        return sent;
    }

    ManualClock clock;
    FakeHid hid;
    FakeLocks locks;
    LedEffectTable effects;
    SideModelTable sides;
    HidDevice device;
    KeyboardCommands commands;
};

TEST_F(KeyboardCommandsTest, ReportBytes) {
    const LedEffectEntry entry{4, 2, 1, 3}; // brightness, speed, direction, selection
    const struct {
        Report report;
        Report expected;
    } cases[] = {
        {KeyboardCommands::MainEffectReport(5, entry),
         {0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00}},
        {KeyboardCommands::ReplayReport(5, entry),
         {0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x01, 0x03}},
        {KeyboardCommands::MainEffectReport(1, {3, 1, 0, 2}),
         {0x07, 0xFF, 0xFF, 0x01, 0x03, 0x01, 0x01, 0x00}},
        {KeyboardCommands::MainEffectReport(1, {3, 1, 0, 1}),
         {0x07, 0xFF, 0xFF, 0x01, 0x03, 0x01, 0x00, 0x00}},
        {KeyboardCommands::MainEffectReport(-1, entry),
         {0x07, 0xFF, 0xFF, 0xFF, 0x04, 0x02, 0x00, 0x00}},
        {KeyboardCommands::SideLightReport(3, {0x52, 0}),
         {0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x53, 0x00}},
        {KeyboardCommands::SideLightReport(3, {0x72, 0}),
         {0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x73, 0x00}},
        {KeyboardCommands::SideLightReport(-1, {0x40, 0}),
         {0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x4F, 0x00}},
        {KeyboardCommands::kVersionQuery, {0x07, 0xF1, 0, 0, 0, 0, 0, 0}},
        {KeyboardCommands::kFactoryReset, {0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].report, cases[i].expected) << "case " << i;
}

TEST_F(KeyboardCommandsTest, SendersPickTheirEntryOrSendNothing) {
    *effects.GetEntry(5) = {4, 2, 1, 3};
    AfterTheSpacing([&] { commands.SendMainEffect(5); });
    AfterTheSpacing([&] { commands.ReplayMainEffect(0, 5, nullptr, 0); });
    effects.SetCurrent(20); // no effect selected
    AfterTheSpacing([&] { commands.SendMainEffect(-1); });
    AfterTheSpacing([&] { commands.SendMainEffect(20); });
    AfterTheSpacing([&] { commands.ReplayMainEffect(0, -1, nullptr, 0); });
    effects.SetCurrent(5);
    AfterTheSpacing([&] { commands.SendMainEffect(-1); });
    sides.SetCurrent(12);
    AfterTheSpacing([&] { commands.SendSideLight(-1); });
    AfterTheSpacing([&] { commands.SendSideLight(12); });
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{7, 0xFF, 0xFF, 5, 4, 2, 0, 0},
                                          {7, 0xFF, 0xFF, 5, 4, 2, 1, 3},
                                          {7, 0xFF, 0xFF, 0xFF, 4, 2, 0, 0}}));
}

TEST_F(KeyboardCommandsTest, NoSideLightModelsGetNoSideLightCommand) {
    commands.SetNoSideLight(1);
    AfterTheSpacing([&] { commands.SendSideLight(3); });
    EXPECT_TRUE(Sent().empty());

    // The spacing still counts the command that was not sent.
    auto next = Start([&] { return commands.SendMainEffect(0); });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_TRUE(Sent().empty());
    clock.Advance(kSpacing);
    ASSERT_TRUE(Finishes(next));
    EXPECT_TRUE(next.get());
    EXPECT_EQ(Sent().size(), 1u);

    commands.SetNoSideLight(0);
    AfterTheSpacing([&] { commands.SendSideLight(3); });
    EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(KeyboardCommandsTest, PacedCommandsKeepTheirSpacing) {
    // "mark", "send": waits out the spacing after the mark.
    clock.Advance(1h);
    commands.MarkCommandTime();
    auto first = Start([&] { return commands.SendMainEffect(0); });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    clock.Advance(kSpacing - 1ms);
    ASSERT_TRUE(clock.WaitForSleepers(1)) << "still waiting 1 ms before the spacing is up";
    EXPECT_TRUE(Sent().empty());
    clock.Advance(1ms);
    ASSERT_TRUE(Finishes(first));
    EXPECT_TRUE(first.get());
    EXPECT_EQ(Sent().size(), 1u);

    // "30 ms", "send": waits until 100 ms after the first, not after the call.
    clock.Advance(30ms);
    auto second = Start([&] { return commands.SendSideLight(0); });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    clock.Advance(kSpacing - 30ms - 1ms);
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_EQ(Sent().size(), 1u);
    clock.Advance(1ms);
    ASSERT_TRUE(Finishes(second));
    EXPECT_TRUE(second.get());
    EXPECT_EQ(Sent().size(), 2u);

    // The replay and the version query are not paced and do not move the mark.
    clock.Advance(kSpacing / 2);
    auto unpaced = Start([&] {
        commands.ReplayMainEffect(0, 0, nullptr, 0);
        commands.QueryFirmwareVersion();
        return true;
    });
    EXPECT_TRUE(Finishes(unpaced));
    EXPECT_EQ(Sent().size(), 4u);
    clock.Advance(kSpacing / 2);
    auto third = Start([&] { return commands.SendMainEffect(0); });
    EXPECT_TRUE(Finishes(third)) << "the spacing counts from the second paced command";
}

TEST_F(KeyboardCommandsTest, ACommandLongAfterTheLastIsNotDelayed) {
    KeyboardCommands late(device, effects, sides, clock);
    clock.Advance(150ms);
    auto send = Start([&] { return late.SendMainEffect(0); });
    EXPECT_TRUE(Finishes(send));
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(KeyboardCommandsTest, FirmwareVersion) {
    EXPECT_EQ(commands.FirmwareVersion(), -1);
    commands.QueryFirmwareVersion(); // the fake answers major 1, minor 2
    EXPECT_EQ(commands.FirmwareVersion(), 0x0102);
    EXPECT_EQ(Sent("get").size(), 1u);

    hid.transfersSucceed = false; // a failed read keeps what was known
    commands.QueryFirmwareVersion();
    EXPECT_EQ(commands.FirmwareVersion(), 0x0102);

    device.Close(); // closed: no transfer at all
    const size_t transfers = hid.Calls().size();
    commands.QueryFirmwareVersion();
    EXPECT_EQ(hid.Calls().size(), transfers);
}

TEST_F(KeyboardCommandsTest, FactoryResetIsAnOutputReport) {
    commands.SendFactoryReset();
    EXPECT_EQ(Sent("write"), (std::vector<Bytes>{{7, 0xF0, 0xAA, 0, 0, 0, 0, 0}}));
}

} // namespace
} // namespace keywright
