// Start-up, the main window's connection to the keyboard, device
// notifications and the end of the program.

#include "ProgramFixture.h"
#include "app/SimulatedKeyboardInput.h"
#include "support/LogCheck.h"
#include "ui/Toolkit.h"

#include <QTest>
#include <chrono>
#include <future>
#include <thread>

namespace keywright::app::test {
namespace {

using namespace std::chrono_literals;

const Bytes kVersionQuery{0x07, 0xF1, 0, 0, 0, 0, 0, 0};

TEST_F(ProgramTest, WithoutKeyboardItWarnsOnceAndTheLoopEnds) {
    MakeWorld(false);
    ASSERT_EQ(Start(), std::nullopt);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].text, "Please insert USB device!");
    EXPECT_EQ(boxes[0].buttons, ui::MessageButtons::Ok);
    EXPECT_FALSE(boxes[0].owned);
    EXPECT_TRUE(Window().IsDestroyed());
    // The loop ends at once, as a start that failed.
    EXPECT_EQ(program->Run(), 1);
    // No engine was started: the filter saw nothing.
    EXPECT_TRUE(world->Filter().Requests().empty());
}

TEST_F(ProgramTest, AKeyboardThatCannotBeOpenedIsNotReportedAsMissing) {
    MakeWorld();
    sim::SimFaults faults;
    faults.openDenied = true;
    world->SetFaults(keyboard, faults);
    keywright::test::ExpectLog why("device: the keyboard is there but cannot be opened");
    ASSERT_EQ(Start(), std::nullopt);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The keyboard is connected but this user may not open it. Run once: "
                             "sudo packaging/linux/keywright-setup-uinput");
    EXPECT_EQ(program->Run(), 1);
}

TEST_F(ProgramTest, StartShowsTheStoredLightingAndSendsWhatDiffersFromTheLayout) {
    folder.Write("ledeffect.xml", LedEffectFile(5));
    folder.Write("sidemodel.xml", SideModelFile(3));
    CMainDlg& window = StartRunning();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Find<ui::Text>("version")->text(), "Firmware: v1.2");
    EXPECT_EQ(Find<ui::ComboBox>("cbx_color_effect")->CurSel(), 5);
    EXPECT_EQ(Find<ui::ComboBox>("cbx_side_color_effect")->CurSel(), 3);
    EXPECT_EQ(Find<ui::ComboBox>("cbx_in_lv")->CurSel(), 0);
    // Version query, then effect 5 with the page's speed (2) and its stored
    // brightness, then side mode 3 at its level 7.
    const std::vector<Bytes> expected{kVersionQuery,
                                      {0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00},
                                      {0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x73, 0x00}};
    EXPECT_EQ(Sent(), expected);
    // The key engine is connected: the filter has its (empty) key table.
    EXPECT_TRUE(world->Filter().KeyTable().has_value());
}

TEST_F(ProgramTest, StoredIndicesTheLayoutAlreadyShowsSendNothing) {
    folder.Write("ledeffect.xml", LedEffectFile(0));
    folder.Write("sidemodel.xml", SideModelFile(0));
    StartRunning();
    EXPECT_EQ(Sent(), std::vector<Bytes>{kVersionQuery});
}

TEST_F(ProgramTest, TheCurrentEffectIsReplayedOnceAboutTwoSecondsAfterStart) {
    std::map<int, LedEffectEntry> entries;
    entries[7] = {3, 1, 1, 2};
    folder.Write("ledeffect.xml", LedEffectFile(7, entries));
    // Taken before the start, so however slow the start is, the replay
    // cannot seem early.
    const auto started = std::chrono::steady_clock::now();
    StartRunning();
    const std::size_t before = Sent().size();
    // The replay carries the raw entry: direction and selection as stored.
    // Brightness and speed come from the page at start (speed 2 there).
    const Bytes replay{0x07, 0xFF, 0xFF, 0x07, 0x03, 0x02, 0x01, 0x02};
    QTRY_VERIFY_WITH_TIMEOUT(Sent().size() > before, 10000);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(Sent().back(), replay);
    EXPECT_GE(waited, 1900ms); // 2 s after start, give or take the scheduler's tick
    EXPECT_EQ(Sent().size(), before + 1);
}

// The tail of the command line, once our options are out, is compared
// with "-hid" whole and case-sensitively.
TEST_F(ProgramTest, OnlyATailOfExactlyHidStartsHidden) {
    const struct {
        std::vector<std::string> args;
        bool hidden;
    } cases[] = {
        {{"-hid"}, true},
        {{"--trace", "-hid"}, true},
        {{"-hid", "--sim-firmware", "256"}, true},
        {{}, false},
        {{"-HID"}, false},
        {{"-hid "}, false},
        {{"-hidden"}, false},
        {{"-hid", "-hid"}, false},
        {{"x", "-hid"}, false},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& arg : c.args)
            line += "[" + arg + "]";
        SCOPED_TRACE(line);
        std::vector<std::string_view> views(c.args.begin(), c.args.end());
        std::string problem;
        const auto options = ParseCommandLine(views, problem);
        ASSERT_TRUE(options) << problem;
        EXPECT_EQ(options->hidden, c.hidden);
    }
}

TEST_F(ProgramTest, OptionsOfOursThatAreWrongAreRefused) {
    for (const std::vector<std::string_view>& args : {std::vector<std::string_view>{"--dir"},
                                                      {"--sim-firmware", "70000"},
                                                      {"--sim-firmware"},
                                                      {"--screenshot"}}) {
        std::string problem;
        EXPECT_FALSE(ParseCommandLine(args, problem)) << args[0];
        EXPECT_FALSE(problem.empty());
    }
}

// The program works from its own folder; a folder or file named relative to
// where it was started still means that place.
TEST_F(ProgramTest, RelativeNamesAreTakenFromWhereTheProgramStarted) {
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    std::string problem;
    const std::vector<std::string_view> args{"--dir", "settings", "--screenshot", "shot.png"};
    const auto options = ParseCommandLine(args, problem);
    std::filesystem::current_path(started);
    ASSERT_TRUE(options) << problem;
    EXPECT_EQ(options->program.dir, folder / "settings");
    EXPECT_EQ(options->screenshot, (folder / "shot.png").string());
}

TEST_F(ProgramTest, HiddenStartHidesToTheTray) {
    CMainDlg& window = StartRunning({"-hid"});
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsDestroyed());
}

TEST_F(ProgramTest, WithoutATrayAHiddenStartMinimisesAndSaysWhyOnce) {
    trayAvailable = false;
    keywright::test::ExpectLog why("no system tray");
    CMainDlg& window = StartRunning({"-hid"});
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
    Command("btn_min");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(why.Seen(), 1u);
}

TEST_F(ProgramTest, ASecondStartBringsTheFirstWindowForwardAndEnds) {
    CMainDlg& first = StartRunning({"-hid"});
    ASSERT_FALSE(first.isVisible());

    // The second start: same world, same user, same instance.
    std::vector<ShownBox> secondBoxes;
    ProgramEnvironment environment = Environment();
    environment.messageBox = [&](QWidget*, const QString&, const QString& text,
                                 ui::MessageButtons) {
        secondBoxes.push_back({{}, text, {}, false});
        return ui::kMessageOk;
    };
    std::string problem;
    const std::string dir = folder.Path().string();
    const std::vector<std::string_view> args{"--dir", dir};
    Program second(*ParseCommandLine(args, problem), environment);
    EXPECT_EQ(second.Start(), 0);
    EXPECT_EQ(second.MainWindow(), nullptr);
    EXPECT_TRUE(secondBoxes.empty());

    QTRY_VERIFY_WITH_TIMEOUT(first.isVisible(), 5000);
    EXPECT_FALSE(first.isMinimized());
}

// `keywright-ctl run` holds the key engine (here another thread of the
// world, as the simulated locks belong to threads): the window says so and
// ends without touching the filter; once it is free the window starts.
TEST_F(ProgramTest, AStartWhileAnotherDriverHoldsTheKeyEngineSaysSoAndEnds) {
    MakeWorld();
    std::promise<void> held;
    std::promise<void> release;
    std::thread other([&] {
        KeyEngineClaim claim(world->Backend().Locks());
        EXPECT_TRUE(claim.Held());
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    EXPECT_EQ(Start(), 1);
    EXPECT_EQ(program->MainWindow(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("keywright-ctl run")));
    EXPECT_TRUE(world->Filter().Requests().empty());
    program.reset();

    release.set_value();
    other.join();
    StartRunning();
    EXPECT_FALSE(world->Filter().Requests().empty());
}

TEST_F(ProgramTest, TheLanguageComesFromConfigAndFallsBackToEnglish) {
    const struct {
        const char* config; // null: no config.xml
        const char* lighting;
    } cases[] = {
        {"<local language=\"cn\"/>", "灯光"},
        {"<local language=\"CN\"/>", "Lighting"},
        {"<local language=\"en\"/>", "Lighting"},
        {"<broken", "Lighting"},
        {nullptr, "Lighting"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config != nullptr ? c.config : "(none)");
        std::filesystem::remove(folder / "config.xml");
        std::optional<keywright::test::AllowLog> broken;
        if (c.config != nullptr) {
            folder.Write("config.xml", c.config);
            broken.emplace("config.xml");
        }
        StartRunning();
        EXPECT_EQ(Find<ui::Text>("text_lighting")->text(), QString::fromUtf8(c.lighting));
        program.reset();
    }
}

TEST_F(ProgramTest, TeardownLeavesNothingPressedAndClearsTheKeyTable) {
    StartRunning();
    Command("btn_close");
    EXPECT_TRUE(Window().IsDestroyed());
    EXPECT_EQ(program->Run(), 0);
    world->ClearReports(world->VirtualDevice());
    program.reset();
    // Every report channel released, keyboard first; twice: before the
    // threads stop and once nothing can press a key any more.
    std::vector<Bytes> released;
    for (int round = 0; round < 2; ++round) {
        for (std::uint8_t id = 1; id <= 4; ++id) {
            Bytes packet(64, 0);
            packet[0] = 0x05;
            packet[1] = id;
            released.push_back(packet);
        }
    }
    EXPECT_EQ(world->Packets(world->VirtualDevice()), released);
    const auto table = world->Filter().KeyTable();
    ASSERT_TRUE(table.has_value());
    EXPECT_TRUE(table->empty());
    EXPECT_EQ(world->Filter().OpenHandles(), 0u);
}

TEST_F(ProgramTest, RemovingAnotherDeviceChangesNothing) {
    MakeWorld();
    const sim::SimDeviceId mouse = world->Plug(sim::DecoyMouse());
    StartRunning();
    world->ClearReports(keyboard);
    world->Unplug(mouse);
    DeliverNotifications();
    EXPECT_FALSE(Window().IsDestroyed());
    EXPECT_TRUE(Window().Keyboard().IsOpen());
    EXPECT_TRUE(world->Reports(keyboard).empty());
}

TEST_F(ProgramTest, RemovingTheKeyboardEndsTheProgramWithoutAWord) {
    StartRunning();
    world->Unplug(keyboard);
    DeliverNotifications();
    EXPECT_TRUE(Window().IsDestroyed());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(program->Run(), 0);
}

TEST_F(ProgramTest, AnArrivalReloadsThePageAndReopensTheFilterChannel) {
    folder.Write("ledeffect.xml", LedEffectFile(5));
    StartRunning();
    // The filter driver restarts: the channel's handle dies with it.
    world->Filter().SetInstalled(false);
    world->Filter().SetInstalled(true);
    world->ClearReports(keyboard);
    world->Filter().ClearRequests();
    world->Plug(sim::DecoyMouse());
    DeliverNotifications();
    EXPECT_FALSE(Window().IsDestroyed());
    // The combos already show the stored indices: only the version is read.
    EXPECT_EQ(Sent(), std::vector<Bytes>{kVersionQuery});
    // The channel is open again and the reader waits on it for keys.
    EXPECT_TRUE(world->Filter().WaitForKeyWait(std::chrono::seconds(10)));
    EXPECT_EQ(world->Filter().OpenHandles(), 1u);
}

// With --simulate the keys typed into the window are the simulated
// keyboard's: an assigned key acts through the key engine.
TEST_F(ProgramTest, KeysTypedIntoTheWindowAreTheSimulatedKeyboardsKeys) {
    folder.Write("record.xml", "<record code=\"70004\" type=\"1\" play=\"1\" repeat=\"1\" "
                               "name=\"A\" group=\"B\"><item code=\"70005\"/></record>\n");
    StartRunning({"--simulate"});
    const sim::SimDeviceId output = world->VirtualDevice();
    world->ClearReports(output);
    QTest::keyClick(&Window(), Qt::Key_A);
    ASSERT_TRUE(world->WaitForPackets(output, 2, 10s));
    const auto packets = world->Packets(output);
    ASSERT_EQ(packets.size(), 2u);
    Bytes down(64, 0);
    down[0] = 0x05;
    down[1] = 0x01;
    down[3] = 0x20; // B (0x05): byte 1 of the key map, bit 5
    Bytes up(64, 0);
    up[0] = 0x05;
    up[1] = 0x01;
    EXPECT_EQ(packets[0], down);
    EXPECT_EQ(packets[1], up);
}

TEST_F(ProgramTest, QtKeysMapToKeyboardPageUsages) {
    const struct {
        int key;
        std::optional<std::uint16_t> usage;
    } cases[] = {
        {Qt::Key_A, 0x04},
        {Qt::Key_Z, 0x1D},
        {Qt::Key_1, 0x1E},
        {Qt::Key_0, 0x27},
        {Qt::Key_F1, 0x3A},
        {Qt::Key_F12, 0x45},
        {Qt::Key_Escape, 0x29},
        {Qt::Key_Shift, 0xE1},
        {Qt::Key_Up, 0x52},
        {Qt::Key_F13, std::nullopt},
        {Qt::Key_VolumeUp, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SimulatedKeyboardInput::UsageOf(c.key), c.usage) << c.key;
}

} // namespace
} // namespace keywright::app::test
