// The main window's chrome: menus, tray, language, firmware, factory
// restore, and the key marks.

#include "ProgramFixture.h"
#include "support/LogCheck.h"
#include "ui/Menu.h"
#include "widgets/CoordButtonImage.h"
#include "widgets/SShellNotifyIcon.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <chrono>

namespace keywright::app::test {
namespace {

using namespace std::chrono_literals;

const Bytes kVersionQuery{0x07, 0xF1, 0, 0, 0, 0, 0, 0};
const Bytes kFactoryReset{0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0};

// The item of `menu` with command ID `id`, searched through the submenus.
const ui::Menu::Item* ItemWithId(const std::vector<ui::Menu::Item>& items, int id) {
    for (const ui::Menu::Item& item : items) {
        if (!item.separator && item.items.empty() && item.id == id)
            return &item;
        if (const ui::Menu::Item* inner = ItemWithId(item.items, id))
            return inner;
    }
    return nullptr;
}

class MenuTest : public ProgramTest, public testing::WithParamInterface<const char*> {
  protected:
    // Chooses the item with `id` of the menu under test, as the menu does.
    void Choose(int id) {
        ui::Menu menu;
        ASSERT_TRUE(menu.LoadResource(QString::fromLatin1(GetParam())));
        const ui::Menu::Item* item = ItemWithId(menu.Items(), id);
        ASSERT_NE(item, nullptr) << "no item " << id;
        Command(item->name, item->id, true);
    }
};

TEST_P(MenuTest, CommandSixEndsTheProgram) {
    StartRunning();
    Choose(6);
    DeliverNotifications();
    EXPECT_TRUE(Window().IsDestroyed());
    EXPECT_EQ(program->Run(), 0);
}

TEST_P(MenuTest, CommandOneChecksTheFirmware) {
    MakeWorld();
    world->SetFirmwareVersion(keyboard, 0x0100);
    StartRunning();
    Choose(1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "The firmware is already the latest version and no upgrade is required.");
}

INSTANTIATE_TEST_SUITE_P(BothMenus, MenuTest,
                         testing::Values("smenuex:menu_more", "SMENU:menu_tray"));

// The "more" button opens its menu right below itself, left edges aligned;
// a choice there acts as a menu command.
TEST_F(ProgramTest, TheMoreButtonOpensItsMenuBelowItself) {
    CMainDlg& window = StartRunning();
    auto* more = Find<ui::ImageButton>("btn_more");
    ASSERT_NE(more, nullptr);
    QRect shown;
    QRect screen;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu came up";
        shown = menu->geometry();
        screen = menu->screen()->availableGeometry();
        // The last item: Exit (6).
        QAction* exit = menu->actions().last();
        menu->setActiveAction(exit);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    more->click();
    const QPoint below = more->mapToGlobal(more->rect().bottomLeft());
    EXPECT_EQ(shown.top(), below.y());
    // Left-aligned with the button, unless that would leave the screen.
    if (below.x() + shown.width() <= screen.right() + 1)
        EXPECT_EQ(shown.left(), below.x());
    else
        EXPECT_EQ(shown.right(), screen.right());
    DeliverNotifications();
    EXPECT_TRUE(window.IsDestroyed());
}

// What the "more" menu showed for "Start with the desktop" as it opened.
struct AutostartItem {
    bool found = false;
    bool checkable = false;
    bool checked = false;
};

class AutostartTest : public ProgramTest {
  protected:
    // Opens the "more" menu by its button and chooses "Start with the
    // desktop" when `choose`, else closes the menu again.
    AutostartItem OpenMoreMenu(bool choose) {
        AutostartItem seen;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no menu came up";
            for (QAction* action : menu->actions()) {
                if (action->text() != "Start with the desktop")
                    continue;
                seen = {true, action->isCheckable(), action->isChecked()};
                if (choose) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            QTest::keyClick(menu, Qt::Key_Escape);
        });
        Find<ui::ImageButton>("btn_more")->click();
        return seen;
    }

    std::filesystem::path Entry() const { return session / "autostart" / "keywright.desktop"; }
};

TEST_F(AutostartTest, TheItemWritesAndRemovesTheEntryAndItsCheckMarkFollowsTheEntry) {
    StartRunning();
    const AutostartItem first = OpenMoreMenu(false);
    ASSERT_TRUE(first.found);
    EXPECT_TRUE(first.checkable);
    EXPECT_FALSE(first.checked);

    OpenMoreMenu(true);
    ASSERT_TRUE(std::filesystem::exists(Entry()));
    const std::string entry = keywright::test::TempFolder::ReadFile(Entry());
    EXPECT_NE(entry.find("/keywright -hid\n"), std::string::npos) << entry;
    EXPECT_TRUE(OpenMoreMenu(false).checked);

    OpenMoreMenu(true);
    EXPECT_FALSE(std::filesystem::exists(Entry()));
    EXPECT_FALSE(OpenMoreMenu(false).checked);

    // An entry written elsewhere (keywright-ctl autostart on) shows too.
    std::filesystem::create_directories(session / "autostart");
    session.Write("autostart/keywright.desktop", "[Desktop Entry]\n");
    EXPECT_TRUE(OpenMoreMenu(false).checked);
}

TEST_F(AutostartTest, AnEntryThatCannotBeWrittenIsLoggedAndStaysOff) {
    session.Write("autostart", "a file where the folder should be");
    StartRunning();
    keywright::test::ExpectLog why("desktop: start with the desktop: ");
    OpenMoreMenu(true);
    EXPECT_EQ(why.Seen(), 1u);
    EXPECT_FALSE(OpenMoreMenu(false).checked);
    EXPECT_EQ(session.Read("autostart"), "a file where the folder should be");
    EXPECT_FALSE(Window().IsDestroyed());
}

TEST_F(ProgramTest, CommandIdsOfControlsAreNotMenuCommands) {
    StartRunning();
    Command({}, 6, false);
    DeliverNotifications();
    EXPECT_FALSE(Window().IsDestroyed());
}

TEST_F(ProgramTest, CloseButtonEndsTheProgramAtOnce) {
    StartRunning();
    Command("btn_close");
    EXPECT_TRUE(Window().IsDestroyed());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ProgramTest, MinimiseHidesToTheTrayAndTheIconBringsTheWindowBack) {
    CMainDlg& window = StartRunning();
    Command("btn_min");
    EXPECT_FALSE(window.isVisible());
    auto* icon = Find<widgets::SShellNotifyIcon>("tray_icon");
    ASSERT_NE(icon, nullptr);
    emit icon->TrayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window.isVisible());
    emit icon->TrayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(ProgramTest, TheFirmwareTextShowsMajorDotMinor) {
    const struct {
        std::uint16_t version;
        const char* config;
        const char* text;
    } cases[] = {
        {0x0102, nullptr, "Firmware: v1.2"},
        {0x0005, nullptr, "Firmware: v0.5"},
        {0x0A0F, nullptr, "Firmware: v10.15"},
        {0x0102, "<local language=\"cn\"/>", "固件版本: v1.2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        MakeWorld();
        world->SetFirmwareVersion(keyboard, c.version);
        std::filesystem::remove(folder / "config.xml");
        if (c.config != nullptr)
            folder.Write("config.xml", c.config);
        StartRunning();
        EXPECT_EQ(Find<ui::Text>("version")->text(), QString::fromUtf8(c.text));
        program.reset();
    }
}

TEST_F(ProgramTest, TheFirmwareCheckReconnectsUnlessTheVersionIsCurrent) {
    MakeWorld();
    world->SetFirmwareVersion(keyboard, 0x00FF);
    StartRunning();
    EXPECT_EQ(Find<ui::Text>("version")->text(), "Firmware: v0.255");

    // Not current: the keyboard is opened again and asked again.
    world->SetFirmwareVersion(keyboard, 0x0101);
    world->ClearReports(keyboard);
    Command({}, 1, true);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Sent(), std::vector<Bytes>{kVersionQuery});
    EXPECT_EQ(Find<ui::Text>("version")->text(), "Firmware: v1.1");

    // A reconnect that fails leaves the text as it was...
    sim::SimFaults denied;
    denied.openDenied = true;
    world->SetFaults(keyboard, denied);
    Command({}, 1, true);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(Window().Keyboard().IsOpen());
    EXPECT_EQ(Find<ui::Text>("version")->text(), "Firmware: v1.1");

    // ...and the next check finds no keyboard.
    Command({}, 1, true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].text, "Please insert USB device");
}

TEST_F(ProgramTest, SwitchingLanguageRetranslatesEveryTextAtOnce) {
    folder.Write("sidemodel.xml", SideModelFile(3));
    StartRunning();
    const auto texts = [this] {
        return QStringList{Find<ui::Text>("text_lighting")->text(),
                           Find<ui::Text>("text_side_brightness")->text(),
                           Find<ui::Text>("version")->text()};
    };
    const QStringList english{"Lighting", "Brightness", "Firmware: v1.2"};
    EXPECT_EQ(texts(), english);
    Command("zh_cn", 0, true);
    EXPECT_EQ(texts(), (QStringList{QString::fromUtf8("灯光"), QString::fromUtf8("亮度"),
                                    QString::fromUtf8("固件版本: v1.2")}));
    Command("jp", 0, true);
    EXPECT_EQ(texts(), english);
}

TEST_F(ProgramTest, AssignedKeysAreMarkedWithTheirTips) {
    folder.Write("record.xml",
                 "<record code=\"0x70029\" type=\"1\" play=\"1\" repeat=\"1\" name=\"Esc\" "
                 "group=\"Play\"><item code=\"c00cd\"/></record>\n"
                 "<record code=\"7003a\" type=\"1\" play=\"1\" repeat=\"1\" name=\"F1\" "
                 "group=\"\"><item code=\"70004\"/></record>\n");
    StartRunning();
    auto* map = Find<widgets::CoordButtonImage>("img_keyboard");
    ASSERT_NE(map, nullptr);
    widgets::CoordButton esc;
    widgets::CoordButton f1;
    widgets::CoordButton a;
    ASSERT_TRUE(map->GetButton(0x29, &esc));
    ASSERT_TRUE(map->GetButton(0x3A, &f1));
    ASSERT_TRUE(map->GetButton(0x04, &a));
    EXPECT_TRUE(esc.checked);
    EXPECT_EQ(esc.tip, "Esc : Play");
    EXPECT_TRUE(f1.checked);
    EXPECT_EQ(f1.tip, "F1");
    EXPECT_FALSE(a.checked);
    // The filter intercepts exactly those keys.
    const auto table = world->Filter().KeyTable();
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->size(), 2u);
}

TEST_F(ProgramTest, CancellingTheRestoreChangesNothing) {
    folder.Write("ledeffect.xml", LedEffectFile(5));
    StartRunning();
    const std::string before = File("ledeffect.xml");
    world->ClearReports(keyboard);
    answer = ui::kMessageCancel;
    Command("btn_restore_factory");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "All settings will be restored, are you sure you want to continue?");
    EXPECT_EQ(boxes[0].buttons, ui::MessageButtons::OkCancel);
    EXPECT_TRUE(boxes[0].owned);
    EXPECT_TRUE(world->Reports(keyboard).empty());
    EXPECT_EQ(File("ledeffect.xml"), before);
    EXPECT_FALSE(Window().RestoreInProgress());
}

// The keyboard leaves with the reset and comes back; the program waits for
// it instead of ending.
TEST_F(ProgramTest, TheRestoreRewritesTheFilesSendsTheResetLastAndSurvivesTheReplug) {
    sim::SimWorldOptions options;
    options.replugDelay = 300ms;
    MakeWorld(true, options);
    std::map<int, LedEffectEntry> entries;
    entries[5] = {2, 3, 1, 2};
    folder.Write("ledeffect.xml", LedEffectFile(5, entries));
    folder.Write("sidemodel.xml", SideModelFile(4, {1, 1, 1, 1, 1}));
    folder.Write("record.xml", "<record code=\"0x70029\" type=\"1\" play=\"1\" repeat=\"1\" "
                               "name=\"Esc\" group=\"A\"><item code=\"70004\"/></record>\n");
    StartRunning();
    world->ClearReports(keyboard);

    Command("btn_restore_factory");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Window().RestoreInProgress());
    // The side list goes to mode 0 (sent), the effect list has no effect 20
    // (nothing sent), and the reset goes last.
    const std::vector<sim::SimReport> reports = world->Reports(keyboard);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().kind, sim::SimReportKind::Write);
    EXPECT_EQ(reports.back().bytes, kFactoryReset);
    const Bytes sideMode0{0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x40, 0x00};
    EXPECT_EQ(LightingSent(), std::vector<Bytes>{sideMode0});
    EXPECT_EQ(world->FactoryResetCount(keyboard), 1);
    EXPECT_EQ(File("ledeffect.xml"), LedEffectFile(20));
    EXPECT_EQ(File("sidemodel.xml"), SideModelFile(0));
    EXPECT_EQ(File("record.xml"), "<?xml version=\"1.0\"?>\n");
    const auto table = world->Filter().KeyTable();
    ASSERT_TRUE(table.has_value());
    EXPECT_TRUE(table->empty());
    widgets::CoordButton esc;
    ASSERT_TRUE(Find<widgets::CoordButtonImage>("img_keyboard")->GetButton(0x29, &esc));
    EXPECT_FALSE(esc.checked);
    EXPECT_EQ(esc.tip, "Esc : A");

    // The keyboard leaves (the program stays) and comes back (the restore
    // ends).
    QTRY_VERIFY_WITH_TIMEOUT(!Window().RestoreInProgress(), 10000);
    EXPECT_FALSE(Window().IsDestroyed());
    EXPECT_TRUE(Window().Keyboard().IsOpen());
    EXPECT_TRUE(boxes.size() == 1u);
}

TEST_F(ProgramTest, AKeyboardRemovedDuringTheRestoreIsWaitedFor) {
    StartRunning();
    answer = ui::kMessageOk;
    // The reset report is lost while the keyboard is away; the program
    // stays in the restore until the keyboard arrives.
    world->Unplug(keyboard);
    Command("btn_restore_factory");
    DeliverNotifications();
    EXPECT_FALSE(Window().IsDestroyed());
    EXPECT_TRUE(Window().RestoreInProgress());
    world->Replug(keyboard);
    DeliverNotifications();
    EXPECT_FALSE(Window().RestoreInProgress());
    EXPECT_TRUE(Window().Keyboard().IsOpen());
}

} // namespace
} // namespace keywright::app::test
