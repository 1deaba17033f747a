// The key-assignment flow as a person meets it: a click on a key of the
// keyboard map opens the assignment dialog; what is chosen, recorded or
// captured there (keys come from the simulated keyboard through the filter)
// becomes the key's record, its mark and tooltip, and what the engine plays.

#include "ProgramFixture.h"
#include "assign/dialog/MacroRecordDlg.h"
#include "support/ClockScript.h"
#include "ui/ListView.h"
#include "ui/McListView.h"
#include "ui/TabCtrl.h"
#include "widgets/CoordButtonImage.h"
#include "widgets/SEditEx.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

namespace keywright::app::test {
namespace {

using namespace std::chrono_literals;
using assign::MacroRecordDlg;

constexpr std::uint16_t kA = 0x04, kB = 0x05, kC = 0x06, kF1 = 0x3A, kF2 = 0x3B;
constexpr std::uint32_t kSetValue = 0x00226010, kSetKeyTable = 0x0022A000, kPrestart1 = 0x00226008;

// config.xml: English, two media keys and the combination (A, 0), (B, 20).
const char* const kConfig = R"(<?xml version="1.0" encoding="utf-8"?>
<local language="en"/>
<funkey>
  <key name="Mute" code="0xc00e2"/>
  <key name="Volume up" code="0xc00e9"/>
</funkey>
<combkey>
  <key name="Copy" code="458756:0,458757:20"/>
</combkey>
)";

// macro.xml with the groups given and the choice fields of `config`.
std::string MacroFile(const std::string& groups,
                      const std::string& config = R"(repeat="2" delay="10" mode="0" type="0")") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<macro>\n" + groups + "</macro>\n<config " +
           config + " play=\"0\" skcode=\"0\"/>\n";
}

const char* const kSpamGroup = R"(  <group name="Spam">
    <item code="458756" state="1" delay="120" name="A"/>
    <item code="458756" state="0" delay="7" name="A"/>
  </group>
)";

MacroItem Step(KeyCode code, std::uint32_t state, std::uint32_t delay, std::string name) {
    return MacroItem{code, state, delay, std::move(name)};
}

class AssignmentTest : public ProgramTest {
  protected:
    void SetUp() override { folder.Write("config.xml", kConfig); }
    // The program goes before the clock its threads wait on.
    void TearDown() override { program.reset(); }

    widgets::CoordButtonImage* Map() { return Find<widgets::CoordButtonImage>("img_keyboard"); }
    widgets::CoordButton Key(std::uint16_t usage) {
        widgets::CoordButton button;
        EXPECT_TRUE(Map()->GetButton(usage, &button));
        return button;
    }
    // A left press (and, unless told, the release) over the middle of a key.
    void ClickKey(std::uint16_t usage, bool release = true) {
        const QPoint at = QRectF(Key(usage).rect.ToQRect()).center().toPoint();
        QTest::mousePress(Map(), Qt::LeftButton, {}, at);
        if (release)
            QTest::mouseRelease(Map(), Qt::LeftButton, {}, at);
    }

    // Clicks the key and runs `script` in the dialog it opens. A script that
    // leaves the dialog open (an assertion failed) has it cancelled. True
    // when a dialog opened.
    bool WithDialog(std::uint16_t usage, const std::function<void(MacroRecordDlg&)>& script) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            MacroRecordDlg* dialog = Window().ActiveDialog();
            if (dialog == nullptr)
                return;
            opened = true;
            script(*dialog);
            if (dialog->isVisible()) // ending hides it
                dialog->EndDialog(MacroRecordDlg::kCancelCode);
        });
        ClickKey(usage);
        QCoreApplication::processEvents(); // the timer, when no dialog took it
        return opened;
    }

    template <class T>
    static T* In(MacroRecordDlg& dialog, const char* name) {
        T* found = ui::Find<T>(&dialog, QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void Click(MacroRecordDlg& dialog, const char* name) {
        if (auto* button =
                dynamic_cast<QAbstractButton*>(ui::FindByName(&dialog, QString::fromLatin1(name))))
            button->click();
        else
            ADD_FAILURE() << "no " << name;
    }
    static void Page(MacroRecordDlg& dialog, int page) {
        In<ui::TabCtrl>(dialog, "tab_macro_mode_selection")->SetCurSel(page);
    }
    static void SelectGroup(MacroRecordDlg& dialog, int index) {
        auto* list = In<ui::ListView>(dialog, "macro_group");
        list->SetSelected(index);
        ui::Event click;
        click.id = ui::kCommandEvent;
        ui::RaiseEvent(list->Row(index), click);
    }
    static std::vector<MacroItem> Shown(MacroRecordDlg& dialog) {
        const MacroGroup* group = dialog.Steps().Group();
        return group != nullptr ? group->items : std::vector<MacroItem>{};
    }

    // A key of the keyboard goes down or up; returns once the dialog has
    // acted on it.
    void KeyEvent(MacroRecordDlg& dialog, std::uint16_t usage, bool down) {
        QSignalSpy handled(&dialog, &MacroRecordDlg::KeyEventHandled);
        world->Filter().InjectKey(0x07, usage, down);
        ASSERT_TRUE(handled.wait(10000));
    }

    // The SetValue and key-table requests, in order.
    std::vector<std::uint32_t> ValueAndTableRequests() const {
        std::vector<std::uint32_t> codes;
        for (const sim::SimFilterRequest& request : world->Filter().Requests())
            if (request.code == kSetValue || request.code == kSetKeyTable)
                codes.push_back(request.code);
        return codes;
    }
    std::vector<std::uint32_t> RequestCodes() const {
        std::vector<std::uint32_t> codes;
        for (const sim::SimFilterRequest& request : world->Filter().Requests())
            codes.push_back(request.code);
        return codes;
    }
    bool KeyTableHas(std::uint16_t usage) const {
        const auto table = world->Filter().KeyTable();
        if (!table)
            return false;
        return std::any_of(table->begin(), table->end(), [&](const sim::SimKeyTableEntry& entry) {
            return entry.page == 0x07 && entry.usage == usage;
        });
    }

    MacroSettings& Macros() { return program->Settings().GetMacroSettings(); }

    ManualClock time;
};

// Each kind, chosen in the dialog, writes the record keywright-ctl writes
// for the same choice, marks the key, gives it its tooltip and sends the
// key table with the key in it after the filter's SetValue(0).
TEST_F(AssignmentTest, EachKindStoresTheRecordTheCommandLineWrites) {
    folder.Write("macro.xml", MacroFile(kSpamGroup));
    StartRunning();
    // After the dialog: SetValue(0), then the key table; macros, single
    // and media keys send it once more at once.
    const std::vector<std::uint32_t> twice{kSetValue, kSetKeyTable, kSetKeyTable};
    const struct {
        std::uint16_t key;
        const char* tip;
        const char* ctl;
        std::vector<std::uint32_t> requests;
        std::function<void(MacroRecordDlg&)> choose;
    } cases[] = {
        {kF1, "F1 : Spam", "assign F1 --macro Spam --play 3 --repeat 2", twice,
         [](MacroRecordDlg& d) {
             SelectGroup(d, 0);
             // "Repeat while held": item data 3.
             In<ui::ComboBox>(d, "macro_play_mode")->setCurrentIndex(1);
         }},
        {kF2,
         "F2 : C",
         "assign F2 --key C",
         {kSetValue, kSetValue, kSetKeyTable, kSetKeyTable},
         [this](MacroRecordDlg& d) {
             Page(d, 1);
             KeyEvent(d, kB, true);
             KeyEvent(d, kB, false);
             KeyEvent(d, kC, true); // the last press counts
             KeyEvent(d, kC, false);
         }},
        {0x3C,
         "F3 : Volume up",
         "assign F3 --media \"Volume up\"",
         // Opened on the single-key page of the case before.
         {kSetValue, kSetValue, kSetKeyTable, kSetKeyTable},
         [](MacroRecordDlg& d) {
             Page(d, 2);
             In<ui::ComboBox>(d, "cmb_media_keys")->setCurrentIndex(1);
         }},
        {0x3D,
         "F4 : Copy",
         "assign F4 --combo Copy",
         {kSetValue, kSetKeyTable},
         [](MacroRecordDlg& d) {
             Page(d, 3);
             In<ui::ComboBox>(d, "cmb_function_keys")->setCurrentIndex(0);
         }},
    };
    keywright::test::TempFolder ctlFolder;
    ctlFolder.Write("config.xml", kConfig);
    ctlFolder.Write("macro.xml", MacroFile(kSpamGroup));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ctl);
        world->Filter().ClearRequests();
        EXPECT_TRUE(WithDialog(c.key, [&](MacroRecordDlg& d) {
            c.choose(d);
            Click(d, "btnOK");
        }));
        EXPECT_TRUE(Key(c.key).checked);
        EXPECT_EQ(Key(c.key).tip, QString::fromLatin1(c.tip));
        EXPECT_EQ(ValueAndTableRequests(), c.requests);
        EXPECT_TRUE(KeyTableHas(c.key));

        QProcess ctl;
        ctl.startCommand(QStringLiteral(KEYWRIGHT_CTL " ") + QString::fromLatin1(c.ctl) +
                         QStringLiteral(" --dir ") +
                         QString::fromStdString(ctlFolder.Path().string()));
        ASSERT_TRUE(ctl.waitForFinished(30000));
        EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
        EXPECT_EQ(File("record.xml"), ctlFolder.Read("record.xml"));
    }
    EXPECT_EQ(File("record.xml"), R"(<?xml version="1.0"?>
<record code="7003a" play="3" type="0" repeat="2" name="F1" group="Spam">
	<item code="70004" state="1" delay="120" name="A" />
	<item code="70004" state="0" delay="7" name="A" />
</record>
<record code="7003b" play="1" type="1" repeat="1" name="F2" group="C">
	<item code="70006" state="0" delay="0" name="" />
</record>
<record code="7003c" play="1" type="2" repeat="1" name="F3" group="Volume up">
	<item code="c00e9" state="0" delay="0" name="" />
</record>
<record code="7003d" play="2" type="3" repeat="1" name="F4" group="Copy">
	<item code="70004" state="1" delay="1" name="" />
	<item code="70005" state="1" delay="21" name="" />
	<item code="70004" state="0" delay="0" name="" />
	<item code="70005" state="0" delay="20" name="" />
</record>
)");
}

// Remove takes the record, mark and tooltip away, also from a key that had
// none; cancel and the close button change none of them; a press without its
// release opens nothing.
TEST_F(AssignmentTest, RemoveCancelAndAPressWithoutRelease) {
    StartRunning();
    ASSERT_TRUE(WithDialog(kF1, [](MacroRecordDlg& d) {
        Page(d, 2);
        Click(d, "btnOK");
    }));
    const std::string assigned = File("record.xml");
    for (const char* button : {"btnCancel", "btnClose"}) {
        SCOPED_TRACE(button);
        EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
            Page(d, 3);
            Click(d, button);
        }));
        EXPECT_EQ(File("record.xml"), assigned);
        EXPECT_TRUE(Key(kF1).checked);
        EXPECT_EQ(Key(kF1).tip, QStringLiteral("F1 : Mute"));
        EXPECT_TRUE(KeyTableHas(kF1));
    }

    for (const std::uint16_t key : {kF1, kF2}) {
        world->Filter().ClearRequests();
        EXPECT_TRUE(WithDialog(key, [](MacroRecordDlg& d) { Click(d, "btnDelete"); }));
        EXPECT_FALSE(Key(key).checked);
        EXPECT_EQ(Key(key).tip, QString());
        EXPECT_EQ(File("record.xml"), "<?xml version=\"1.0\"?>\n");
        EXPECT_EQ(ValueAndTableRequests(), (std::vector<std::uint32_t>{kSetValue, kSetKeyTable}));
    }
    EXPECT_FALSE(KeyTableHas(kF1));

    bool opened = false;
    QTimer::singleShot(0, [&] { opened = Window().ActiveDialog() != nullptr; });
    ClickKey(kF1, false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    EXPECT_EQ(Window().ActiveDialog(), nullptr);
}

// Recording on the dialog's clock: A down, 80 ms, A up, 120 ms, B down.
TEST_F(AssignmentTest, RecordingMeasuresFixesOrDropsThePauses) {
    const struct {
        const char* mode;
        const char* check;
        const char* fixed; // typed into the delay edit; null: left as it is (10)
        std::vector<std::uint32_t> delays;
    } cases[] = {
        {"recorded", "chk_macro_realy_delay", nullptr, {80, 120, 0}},
        {"fixed 10", "chk_macro_fixed_delay", nullptr, {10, 10, 0}},
        {"fixed 25", "chk_macro_fixed_delay", "25", {25, 25, 0}},
        // A negative pause would be read back as one of weeks.
        {"fixed -5", "chk_macro_fixed_delay", "-5", {0, 0, 0}},
        {"none", "chk_macro_no_delay", nullptr, {0, 0, 0}},
    };
    clock = &time;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        folder.Write("macro.xml", MacroFile("  <group name=\"Empty\"/>\n"));
        StartRunning();
        EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
            Click(d, c.check);
            if (c.fixed != nullptr)
                In<ui::Edit>(d, "edit_macro_delay_time")->setText(QString::fromLatin1(c.fixed));
            Click(d, "chk_macro_record");
            EXPECT_TRUE(d.RecordingStarted());
            KeyEvent(d, kA, true);
            time.Advance(80ms);
            KeyEvent(d, kA, false);
            time.Advance(120ms);
            KeyEvent(d, kB, true);
            Click(d, "btnOK");
        }));
        const std::vector<MacroItem> expected{Step(0x70004, 1, c.delays[0], "A"),
                                              Step(0x70004, 0, c.delays[1], "A"),
                                              Step(0x70005, 1, c.delays[2], "B")};
        EXPECT_EQ(Macros().Groups().at(0).items, expected);
        const auto records = program->Settings().GetRecordStore().Snapshot();
        ASSERT_EQ(records->size(), 1u);
        EXPECT_EQ(records->front().steps, expected);
        // Saved with the record.
        program.reset();
        EXPECT_NE(File("macro.xml").find("delay=\"" + std::to_string(c.delays[1]) + "\""),
                  std::string::npos);
    }
}

// Recording into a group that has steps: the first event has nothing to
// measure from, so the old last step keeps its pause; the next pauses are
// measured. Into an empty group a leading release is dropped.
TEST_F(AssignmentTest, RecordingKeepsOldStepsAndDropsALeadingRelease) {
    clock = &time;
    folder.Write("macro.xml", MacroFile(std::string(kSpamGroup) + "  <group name=\"Empty\"/>\n"));
    StartRunning();
    time.Advance(1h); // the program has run for a while
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        Click(d, "chk_macro_record");
        KeyEvent(d, kB, true);
        time.Advance(30ms);
        KeyEvent(d, kB, false);
        EXPECT_EQ(Shown(d),
                  (std::vector<MacroItem>{Step(0x70004, 1, 120, "A"), Step(0x70004, 0, 7, "A"),
                                          Step(0x70005, 1, 30, "B"), Step(0x70005, 0, 0, "B")}));

        SelectGroup(d, 1);
        KeyEvent(d, kC, false);
        EXPECT_TRUE(Shown(d).empty());
        KeyEvent(d, kC, true);
        EXPECT_EQ(Shown(d), std::vector<MacroItem>{Step(0x70006, 1, 0, "C")});
        Click(d, "btnCancel");
    }));
    // Cancel keeps what was recorded, and saves it.
    program.reset();
    MacroSettings saved(SaveMode::ReadOnly);
    ASSERT_TRUE(saved.Load(folder.Path() / "macro.xml"));
    EXPECT_EQ(saved.Groups().at(0).items.size(), 4u);
    EXPECT_EQ(saved.Groups().at(1).items.size(), 1u);
}

// Without a group there is nothing to record into: the box unchecks itself
// and the reader is not restarted for it.
TEST_F(AssignmentTest, RecordingWithoutAGroupUnchecksTheBox) {
    folder.Write("macro.xml", MacroFile(""));
    StartRunning();
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        auto* record = In<ui::CheckBox>(d, "chk_macro_record");
        world->Filter().ClearRequests();
        Click(d, "chk_macro_record");
        EXPECT_FALSE(record->IsChecked());
        EXPECT_FALSE(d.RecordingStarted());
        EXPECT_EQ(Macros().recording, 0);
        EXPECT_FALSE(Window().Monitor().IsReading());

        // A group added is selected and can be recorded into.
        Click(d, "groupAdd");
        Click(d, "chk_macro_record");
        EXPECT_TRUE(record->IsChecked());
        EXPECT_EQ(record->text(), QStringLiteral("Stop record"));
        KeyEvent(d, kA, true);
        EXPECT_EQ(Shown(d).size(), 1u);
        Click(d, "chk_macro_record");
        EXPECT_EQ(record->text(), QStringLiteral("Start record"));
        Click(d, "btnCancel");
    }));
}

// The single-key page captures from the moment it opens: the reader is
// restarted (the filter's prestart requests) and SetValue(0) follows.
TEST_F(AssignmentTest, TheSingleKeyPageCapturesPresses) {
    folder.Write("macro.xml", MacroFile("", R"(repeat="1" delay="10" mode="0" type="1")"));
    StartRunning();
    world->Filter().ClearRequests();
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        const auto codes = RequestCodes();
        EXPECT_NE(std::find(codes.begin(), codes.end(), kPrestart1), codes.end());
        EXPECT_EQ(ValueAndTableRequests(), std::vector<std::uint32_t>{kSetValue});
        auto* shown = In<ui::Text>(d, "edit_single_key");
        KeyEvent(d, kB, true);
        EXPECT_EQ(shown->text(), QStringLiteral("B"));
        KeyEvent(d, kC, false); // releases change nothing
        EXPECT_EQ(shown->text(), QStringLiteral("B"));
        EXPECT_EQ(Macros().skcode, 0x70005u);
        Click(d, "btnOK");
    }));
    EXPECT_EQ(Key(kF1).tip, QStringLiteral("F1 : B"));
}

// A delay mode the dialog does not have is put back to recorded delays and
// saved when the dialog opens.
TEST_F(AssignmentTest, AnUnknownDelayModeIsResetOnOpening) {
    for (const char* mode : {"3", "7", "-1"}) {
        SCOPED_TRACE(mode);
        folder.Write("macro.xml",
                     MacroFile("", std::string("repeat=\"1\" delay=\"10\" mode=\"") + mode + "\""));
        StartRunning();
        EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
            EXPECT_EQ(Macros().mode, 0);
            EXPECT_NE(File("macro.xml").find("mode=\"0\""), std::string::npos);
            EXPECT_TRUE(In<ui::CheckBox>(d, "chk_macro_realy_delay")->IsChecked());
            EXPECT_FALSE(In<ui::Edit>(d, "edit_macro_delay_time")->isEnabled());
            Click(d, "btnCancel");
        }));
    }
}

// While the dialog is open it takes every key: an assigned key does nothing.
// Once it has closed, the engine plays the assignments again.
TEST_F(AssignmentTest, AssignmentsActOnlyWhileNoDialogIsOpen) {
    StartRunning();
    const sim::SimDeviceId device = world->VirtualDevice();
    ASSERT_TRUE(WithDialog(kF2, [&](MacroRecordDlg& d) {
        Page(d, 1);
        KeyEvent(d, kB, true);
        Click(d, "btnOK");
    }));
    world->ClearReports(device);
    const std::size_t before = world->Packets(device).size();
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        KeyEvent(d, kF2, true);
        KeyEvent(d, kF2, false);
        EXPECT_EQ(world->Packets(device).size(), before);
        Click(d, "btnCancel");
    }));
    world->Filter().InjectKey(0x07, kF2, true);
    ASSERT_TRUE(world->WaitForPackets(device, before + 1, 10s));
    // The key acts as B.
    EXPECT_EQ(world->Packets(device).back().at(3 + (kB >> 3)) & (1 << (kB & 7)), 1 << (kB & 7));
    world->Filter().InjectKey(0x07, kF2, false);
}

// The combination (A, 0), (B, 20) plays A down, 1 ms, B down, 21 ms, A up,
// 1 ms (a pause of 0 waits 1), B up, 20 ms, and the closing release.
TEST_F(AssignmentTest, ACombinationPlaysItsKeysWithTheirPauses) {
    clock = &time;
    StartRunning();
    const sim::SimDeviceId device = world->VirtualDevice();
    ASSERT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        Page(d, 3);
        Click(d, "btnOK");
    }));
    const auto keys = [&](std::size_t index) {
        const auto packets = world->Packets(device);
        std::string down;
        for (const std::uint16_t usage : {kA, kB})
            if (packets.at(index).at(3 + (usage >> 3)) & (1 << (usage & 7)))
                down += usage == kA ? "A" : "B";
        return down.empty() ? std::string("-") : down;
    };
    const std::size_t start = world->Packets(device).size();
    world->Filter().InjectKey(0x07, kF1, true);
    ASSERT_TRUE(world->WaitForPackets(device, start + 1, 10s));
    EXPECT_EQ(keys(start), "A");
    const struct {
        std::chrono::milliseconds pause;
        const char* keys;
    } steps[] = {{1ms, "AB"}, {21ms, "B"}, {1ms, "-"}, {20ms, "-"}};
    std::size_t seen = start + 1;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.keys);
        ASSERT_TRUE(world->Packets(device).size() == seen);
        ASSERT_TRUE(keywright::test::Pass(time, s.pause - 1ms));
        EXPECT_EQ(world->Packets(device).size(), seen) << "came early";
        ASSERT_TRUE(keywright::test::Pass(time, 1ms));
        ASSERT_TRUE(world->WaitForPackets(device, seen + 1, 10s));
        EXPECT_EQ(keys(seen), s.keys);
        ++seen;
    }
    world->Filter().InjectKey(0x07, kF1, false);
}

// Two groups to edit: "Spam" (A down, A up) and a second with one long-named
// step.
const char* const kTwoGroups = R"(  <group name="Spam">
    <item code="458756" state="1" delay="120" name="A"/>
    <item code="458756" state="0" delay="7" name="A"/>
  </group>
  <group name="A rather long group name that does not fit its cell">
    <item code="786614" state="1" delay="3" name="Scan Previous Track and a name longer than that"/>
  </group>
)";

// The step list's rows show the steps of the live group: code, name, action,
// delay. A delay cell takes what starts with a number (empty is 0) and puts
// back the old delay for anything else; none of it is saved until the
// dialog ends.
TEST_F(AssignmentTest, TheStepListShowsAndEditsTheLiveSteps) {
    folder.Write("macro.xml", MacroFile(kTwoGroups));
    StartRunning();
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        auto* list = In<ui::McListView>(d, "key_info");
        ASSERT_EQ(list->RowCount(), 2);
        const auto cell = [&](int row, const char* name) {
            return ui::FindByName(list->Row(row), QString::fromLatin1(name));
        };
        EXPECT_EQ(static_cast<ui::Text*>(cell(0, "key_code"))->text(), QStringLiteral("70004"));
        EXPECT_EQ(static_cast<ui::Text*>(cell(0, "key_state"))->text(), QStringLiteral("key down"));
        EXPECT_EQ(static_cast<ui::Text*>(cell(1, "key_state"))->text(), QStringLiteral("replace"));

        const std::string onDisk = File("macro.xml");
        auto* delay = static_cast<widgets::SEditEx*>(cell(0, "key_delay"));
        const struct {
            const char* typed;
            std::uint32_t stored;
            const char* shown;
        } edits[] = {
            {"45", 45, "45"},   {"abc", 45, "45"}, {"", 0, ""},     {"60ms", 60, "60ms"},
            {" 30", 30, " 30"}, {"-5", 30, "30"},  {"+8", 8, "+8"},
        };
        for (const auto& e : edits) {
            SCOPED_TRACE(e.typed);
            delay->setText(QString::fromLatin1(e.typed));
            EXPECT_EQ(Macros().Groups().at(0).items.at(0).delay, e.stored);
            EXPECT_EQ(delay->text(), QString::fromLatin1(e.shown));
        }
        EXPECT_EQ(File("macro.xml"), onDisk);

        // Step moves: not past either end.
        auto& steps = d.Steps();
        EXPECT_FALSE(steps.MoveUp(0));
        EXPECT_FALSE(steps.MoveDown(1));
        EXPECT_TRUE(steps.MoveDown(0));
        EXPECT_EQ(Shown(d).at(1).state, 1u);
        EXPECT_EQ(static_cast<ui::Text*>(cell(1, "key_state"))->text(), QStringLiteral("key down"));
        steps.Remove(2); // past the end: nothing goes
        EXPECT_EQ(list->RowCount(), 2);

        // The header marks: ascending, then descending; another column
        // clears them. The steps keep their order.
        using ui::SortMark;
        const std::vector<MacroItem> order = Shown(d);
        list->ClickColumn(1);
        EXPECT_EQ(list->Marks()[1], SortMark::Ascending);
        list->ClickColumn(1);
        EXPECT_EQ(list->Marks()[1], SortMark::Descending);
        list->ClickColumn(1);
        EXPECT_EQ(list->Marks()[1], SortMark::Ascending);
        list->ClickColumn(3);
        EXPECT_EQ(list->Marks(), (std::vector<SortMark>{SortMark::None, SortMark::None,
                                                        SortMark::None, SortMark::Ascending}));
        EXPECT_EQ(Shown(d), order);
        Click(d, "btnCancel");
    }));
    // What was edited is kept when the dialog ends, even by cancel.
    MacroSettings saved(SaveMode::ReadOnly);
    ASSERT_TRUE(saved.Load(folder.Path() / "macro.xml"));
    EXPECT_EQ(saved.Groups().at(0).items.at(1).delay, 8u);
}

// A long key name ends in an ellipsis and has its whole name as tooltip; a
// long group name shows its start.
TEST_F(AssignmentTest, LongNamesShowTheirStart) {
    folder.Write("macro.xml", MacroFile(kTwoGroups));
    StartRunning();
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        SelectGroup(d, 1);
        auto* list = In<ui::McListView>(d, "key_info");
        ASSERT_EQ(list->RowCount(), 1);
        auto* name = ui::Find<ui::Text>(list->Row(0), QStringLiteral("key_name"));
        ASSERT_NE(name, nullptr);
        const QString whole = QStringLiteral("Scan Previous Track and a name longer than that");
        EXPECT_EQ(name->text(), whole);
        EXPECT_EQ(name->toolTip(), whole);
        EXPECT_TRUE(name->ShownText().endsWith(QChar(0x2026))) << name->ShownText().toStdString();

        auto* groups = In<ui::ListView>(d, "macro_group");
        auto* group = ui::Find<ui::Edit>(groups->Row(1), QStringLiteral("group_name"));
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->cursorPosition(), 0);
        Click(d, "btnCancel");
    }));
}

// The group list edits the live groups: a rename saves at once; the step list keeps showing the
// group at its position as groups come and go, and shows none once that position has none.
TEST_F(AssignmentTest, TheGroupListRenamesAddsAndDeletes) {
    folder.Write("macro.xml", MacroFile(kTwoGroups));
    StartRunning();
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        auto* groups = In<ui::ListView>(d, "macro_group");
        auto* name = ui::Find<ui::Edit>(groups->Row(0), QStringLiteral("group_name"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("Eggs"));
        EXPECT_EQ(Macros().Groups().at(0).name, "Eggs");
        EXPECT_NE(File("macro.xml").find("name=\"Eggs\""), std::string::npos);

        SelectGroup(d, 1);
        const MacroGroup second = Macros().Groups().at(1);
        for (int i = 0; i < 8; ++i) // enough to move the groups in memory
            Click(d, "groupAdd");
        ASSERT_NE(d.Steps().Group(), nullptr);
        EXPECT_EQ(*d.Steps().Group(), second);
        EXPECT_EQ(groups->RowCount(), 10);

        Click(d, "groupDel"); // the selected one: the second
        EXPECT_EQ(Macros().GroupCount(), 9u);
        EXPECT_NE(Macros().Groups().at(1).name, second.name);
        EXPECT_EQ(Macros().group, groups->Selected());
        // The selection stays at the position, now the group after it.
        ASSERT_EQ(groups->Selected(), 1);
        EXPECT_EQ(d.Steps().Group(), &Macros().Groups().at(1));
        d.Steps().ShowGroup(8);
        Macros().DeleteGroup(8);
        EXPECT_EQ(d.Steps().Group(), nullptr);
        d.Steps().Append(0x70004, "A", 1, 0); // nowhere to go
        EXPECT_EQ(d.Steps().RowCount(), 0);
        Click(d, "btnCancel");
    }));
}

// With --simulate, what is typed while the dialog has the focus comes from
// the keyboard: a macro recorded by typing A, assigned to F1, is played
// when F1 is typed on the main window.
TEST_F(AssignmentTest, WithTheSimulatedKeyboardAMacroIsRecordedByTyping) {
    folder.Write("macro.xml", MacroFile("  <group name=\"Typed\"/>\n"));
    StartRunning({"--simulate"});
    const auto type = [&](QWidget* where, Qt::Key key, bool down, MacroRecordDlg* dialog) {
        std::optional<QSignalSpy> handled;
        if (dialog != nullptr)
            handled.emplace(dialog, &MacroRecordDlg::KeyEventHandled);
        if (down)
            QTest::keyPress(where, key);
        else
            QTest::keyRelease(where, key);
        if (handled) {
            EXPECT_TRUE(handled->wait(10000));
        }
    };
    ASSERT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        Click(d, "chk_macro_record");
        type(&d, Qt::Key_A, true, &d);
        type(&d, Qt::Key_A, false, &d);
        EXPECT_EQ(Shown(d).size(), 2u);
        // Play it once.
        In<ui::ComboBox>(d, "macro_play_mode")->setCurrentIndex(5);
        Click(d, "btnOK");
    }));
    EXPECT_EQ(Key(kF1).tip, QStringLiteral("F1 : Typed"));

    const sim::SimDeviceId device = world->VirtualDevice();
    const std::size_t before = world->Packets(device).size();
    type(&Window(), Qt::Key_F1, true, nullptr);
    ASSERT_TRUE(world->WaitForPackets(device, before + 1, 10s));
    const auto packets = world->Packets(device);
    EXPECT_EQ(packets.at(before).at(3 + (kA >> 3)) & (1 << (kA & 7)), 1 << (kA & 7));
    type(&Window(), Qt::Key_F1, false, nullptr);
}

// Export writes the selected group to the file the user picks; import adds
// the groups of a picked file after the others, exactly as exported. A file
// that is refused is told and adds nothing; choosing no file does nothing.
TEST_F(AssignmentTest, GroupsGoToAndComeFromAFile) {
    folder.Write("macro.xml", MacroFile(kTwoGroups));
    folder.Write("not-ours.xml", "<?xml version=\"1.0\"?>\n<macro><group name=\"x\"/></macro>\n");
    folder.Write("cut-short.xml",
                 "<?xml version=\"1.0\"?>\n<keywright-macros version=\"1\">\n<gro");
    StartRunning();
    const QString exported = QString::fromStdString((folder.Path() / "shared.xml").string());
    EXPECT_TRUE(WithDialog(kF1, [&](MacroRecordDlg& d) {
        QString chosen;
        std::vector<bool> asked; // save?
        d.SetFileChooser([&](QWidget*, bool save) {
            asked.push_back(save);
            return chosen;
        });
        SelectGroup(d, 1);
        chosen = exported;
        Click(d, "groupExport");
        EXPECT_TRUE(boxes.empty());
        Click(d, "groupImport");
        ASSERT_EQ(Macros().GroupCount(), 3u);
        EXPECT_EQ(Macros().Groups().at(2), Macros().Groups().at(1));
        EXPECT_EQ(In<ui::ListView>(d, "macro_group")->RowCount(), 3);

        for (const char* file : {"not-ours.xml", "cut-short.xml", "missing.xml"}) {
            SCOPED_TRACE(file);
            boxes.clear();
            chosen = QString::fromStdString((folder.Path() / file).string());
            Click(d, "groupImport");
            EXPECT_EQ(Macros().GroupCount(), 3u);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("No group was imported.\n")))
                << boxes[0].text.toStdString();
        }

        // Nothing chosen: nothing happens.
        boxes.clear();
        chosen.clear();
        Click(d, "groupImport");
        Click(d, "groupExport");
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(asked, (std::vector<bool>{true, false, false, false, false, false, true}));

        // A file that cannot be written is told.
        chosen = QString::fromStdString((folder.Path() / "no-such-folder" / "x.xml").string());
        Click(d, "groupExport");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("The group was not exported.\n")));
        Click(d, "btnCancel");
    }));
    // Saved with the import.
    MacroSettings saved(SaveMode::ReadOnly);
    ASSERT_TRUE(saved.Load(folder.Path() / "macro.xml"));
    EXPECT_EQ(saved.GroupCount(), 3u);
}

} // namespace
} // namespace keywright::app::test
