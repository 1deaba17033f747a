#include "device/KeyboardCommands.h"

#include "FakeHid.h"

#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;
using test::FakeHid;
using test::FakeLocks;
using Bytes = std::vector<std::uint8_t>;

const std::string kKeyboard = "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#x#{g}";

class KeyboardCommandsTest : public ::testing::Test {
  protected:
    KeyboardCommandsTest()
        : device(hid, locks, [](std::string_view) {}), commands(device, effects, sides) {
        hid.caps[kKeyboard] = {1, 0xFF00, 8, 8, 8};
        EXPECT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    }

    // The bytes of every report the keyboard got, in order.
    std::vector<Bytes> Sent(const std::string& what = "set") {
        std::vector<Bytes> sent;
        for (const auto& call : hid.Calls())
            if (call.what == what)
                sent.push_back(call.bytes);
        return sent;
    }

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
    commands.SendMainEffect(5);
    commands.ReplayMainEffect(0, 5, nullptr, 0);
    effects.SetCurrent(20); // no effect selected
    commands.SendMainEffect(-1);
    commands.SendMainEffect(20);
    commands.ReplayMainEffect(0, -1, nullptr, 0);
    effects.SetCurrent(5);
    commands.SendMainEffect(-1);
    sides.SetCurrent(12);
    commands.SendSideLight(-1);
    commands.SendSideLight(12);
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{7, 0xFF, 0xFF, 5, 4, 2, 0, 0},
                                          {7, 0xFF, 0xFF, 5, 4, 2, 1, 3},
                                          {7, 0xFF, 0xFF, 0xFF, 4, 2, 0, 0}}));
}

TEST_F(KeyboardCommandsTest, NoSideLightModelsGetNoSideLightCommand) {
    commands.SetNoSideLight(1);
    commands.SendSideLight(3);
    EXPECT_TRUE(Sent().empty());
    // The spacing still counts the command that was not sent.
    const auto before = std::chrono::steady_clock::now();
    commands.SendMainEffect(0);
    EXPECT_GE(std::chrono::steady_clock::now() - before, 90ms);

    commands.SetNoSideLight(0);
    commands.SendSideLight(3);
    EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(KeyboardCommandsTest, PacedCommandsKeepTheirSpacing) {
    using Clock = std::chrono::steady_clock;
    commands.MarkCommandTime();
    const auto start = Clock::now();
    commands.SendMainEffect(0); // waits out the spacing after the mark
    const auto first = Clock::now();
    std::this_thread::sleep_for(30ms);
    commands.SendSideLight(0); // 30 ms later: waits until 100 ms after the first
    const auto second = Clock::now();
    EXPECT_GE(first - start, 95ms);
    EXPECT_GE(second - first, 95ms);
    EXPECT_EQ(Sent().size(), 2u);

    // The replay and the version query are not paced and do not move the mark.
    const auto unpaced = Clock::now();
    commands.ReplayMainEffect(0, 0, nullptr, 0);
    commands.QueryFirmwareVersion();
    EXPECT_LT(Clock::now() - unpaced, 90ms);
}

TEST_F(KeyboardCommandsTest, ACommandLongAfterTheLastIsNotDelayed) {
    KeyboardCommands late(device, effects, sides);
    std::this_thread::sleep_for(150ms);
    const auto before = std::chrono::steady_clock::now();
    late.SendMainEffect(0);
    // Generous: the bound only has to tell "did not wait 100 ms" on a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 80ms);
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
