#include "widgets/SShellNotifyIcon.h"

#include "WidgetTestPackage.h"
#include "support/LogCheck.h"
#include "ui/Event.h"
#include "ui/StockControls.h"
#include "ui/WindowTree.h"
#include "widgets/IShellNotifyHost.h"

#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace keywright::widgets::test {
namespace {

// The window holding the icon: records the commands that reach it and the
// clicks it is offered, and takes the clicks over when told to.
class TrayHost : public ui::Window, public ui::IEventHost, public IShellNotifyHost {
  public:
    void HandleEvent(ui::Event& event) override {
        commands.push_back(event.controlId);
        fromMenu = event.menu;
        event.handled = true;
    }
    bool OnShellNotify(QSystemTrayIcon::ActivationReason reason) override {
        offered.push_back(reason);
        return takeOver;
    }
    std::vector<int> commands;
    bool fromMenu = false;
    std::vector<QSystemTrayIcon::ActivationReason> offered;
    bool takeOver = false;
};

// The colour of the middle of an icon.
QColor Middle(const QIcon& icon) {
    return icon.pixmap(QSize(16, 16)).toImage().pixelColor(8, 8);
}

class SShellNotifyIconTest : public WidgetTest {
  protected:
    void SetUp() override {
        WidgetTest::SetUp();
        host_.resize(200, 100);
        icon_ = new SShellNotifyIcon(&host_);
    }

    void Click(QSystemTrayIcon::ActivationReason reason) {
        emit icon_->TrayIcon().activated(reason);
    }

    // Opens the context menu and, once it shows, picks the item `text` (or
    // closes it with Escape when empty). False when no menu opened.
    bool PickFromMenu(const QString& text, QStringList* items = nullptr) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            opened = true;
            for (QAction* action : menu->actions()) {
                if (items != nullptr && !action->isSeparator())
                    items->append(action->text());
                if (!text.isEmpty() && action->text() == text)
                    menu->setActiveAction(action);
            }
            QTest::keyClick(menu, text.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
        });
        Click(QSystemTrayIcon::Context);
        QCoreApplication::processEvents(); // the timer fires even when no menu blocked
        return opened;
    }

    TrayHost host_;
    SShellNotifyIcon* icon_ = nullptr;
};

TEST_F(SShellNotifyIconTest, IsTheClassShellnotifyiconWithItsDefaults) {
    EXPECT_EQ(ui::ClassNameOf(icon_), "shellnotifyicon");
    EXPECT_TRUE(ui::IsClass(icon_, "window"));
    EXPECT_EQ(icon_->MenuType(), SShellNotifyIcon::kNoMenu);
    EXPECT_EQ(icon_->DefaultIconIndex(), 0);
    EXPECT_EQ(icon_->StartFrame(), 1);
    EXPECT_EQ(icon_->Duration(), 200);
    EXPECT_TRUE(icon_->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(SShellNotifyIconTest, ShowsTheIconAtTheDefaultIndexOrTheLogo) {
    const struct {
        const char* what;
        const char* ico;
        QVariant deficoidx;
        int loaded;
        QColor shown;
    } rows[] = {
        {"first", "ico_a;ico_b", 0, 2, kIconA},
        {"second", "ico_a;ico_b", QStringLiteral("0x1"), 2, kIconB},
        {"full ids and blanks", " ICON:ico_b ; ICON:ico_a ", 0, 2, kIconB},
        {"a name that does not load is left out", "missing;ico_b;ico_a", 1, 2, kIconA},
        {"an index beyond the list shows the first", "ico_a;ico_b", 2, 2, kIconA},
        {"a negative index shows the first", "ico_b;ico_a", -1, 2, kIconB},
        {"nothing loads: the logo", "missing;also_missing", 0, 0, kLogoColor},
        {"no names: the logo", "", 0, 0, kLogoColor},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SShellNotifyIcon icon(&host_);
        icon.setProperty("ico", QString::fromLatin1(row.ico));
        icon.setProperty("deficoidx", row.deficoidx);
        EXPECT_EQ(icon.IconCount(), row.loaded);
        EXPECT_FALSE(icon.TrayIcon().isVisible()) << "not before initialisation";
        icon.OnLoaded();
        EXPECT_TRUE(icon.TrayIcon().isVisible());
        EXPECT_EQ(Middle(icon.TrayIcon().icon()), row.shown);
    }
}

TEST_F(SShellNotifyIconTest, TheTipIsExpandedCutAndUpdatedAtOnce) {
    icon_->setProperty("tip", "@string/tray_tip");
    EXPECT_EQ(icon_->Tip(), "Keywright tray");
    EXPECT_EQ(icon_->TrayIcon().toolTip(), "") << "not before initialisation";
    icon_->OnLoaded();
    EXPECT_EQ(icon_->TrayIcon().toolTip(), "Keywright tray");

    icon_->setProperty("tip", QString(200, u'x'));
    EXPECT_EQ(icon_->TrayIcon().toolTip(), QString(127, u'x'));
    // A cut never splits a character in two.
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // one character, two units
    icon_->setProperty("tip", QString(126, u'x') + clef);
    EXPECT_EQ(icon_->TrayIcon().toolTip(), QString(126, u'x'));
    icon_->setProperty("tip", QString(125, u'x') + clef);
    EXPECT_EQ(icon_->TrayIcon().toolTip(), QString(125, u'x') + clef);
}

TEST_F(SShellNotifyIconTest, TheMenusRootDecidesItsKind) {
    keywright::test::ExpectLog nope("attribute \"menu\" cannot be \"SMENU:nope\"");
    const struct {
        const char* what;
        const char* menu;
        SShellNotifyIcon::MenuKind kind;
        const char* name;
    } steps[] = {
        {"classic", "SMENU:menu_tray", SShellNotifyIcon::kClassicMenu, "SMENU:menu_tray"},
        {"extended", "smenuex:menu_more", SShellNotifyIcon::kExtendedMenu, "smenuex:menu_more"},
        {"missing: nothing changes", "SMENU:nope", SShellNotifyIcon::kExtendedMenu,
         "smenuex:menu_more"},
        {"another root: no menu, name kept", "SMENU:menu_other", SShellNotifyIcon::kNoMenu,
         "smenuex:menu_more"},
        {"classic again", "SMENU:menu_tray", SShellNotifyIcon::kClassicMenu, "SMENU:menu_tray"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        icon_->setProperty("menu", QString::fromLatin1(step.menu));
        EXPECT_EQ(icon_->MenuType(), step.kind);
        EXPECT_EQ(icon_->MenuName(), QString::fromLatin1(step.name));
    }
}

TEST_F(SShellNotifyIconTest, AnimationAttributesAreKept) {
    icon_->setProperty("startframe", QStringLiteral("0x3"));
    icon_->setProperty("duration", 150);
    EXPECT_EQ(icon_->StartFrame(), 3);
    EXPECT_EQ(icon_->Duration(), 150);
}

TEST_F(SShellNotifyIconTest, ALeftClickHidesOrShowsTheWindow) {
    icon_->OnLoaded();
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    const struct {
        QSystemTrayIcon::ActivationReason reason;
        bool visibleAfter;
    } steps[] = {
        {QSystemTrayIcon::Trigger, false},     {QSystemTrayIcon::DoubleClick, false},
        {QSystemTrayIcon::MiddleClick, false}, {QSystemTrayIcon::Trigger, true},
        {QSystemTrayIcon::Unknown, true},      {QSystemTrayIcon::Trigger, false},
        {QSystemTrayIcon::Trigger, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.reason);
        Click(step.reason);
        EXPECT_EQ(host_.isVisible(), step.visibleAfter);
    }
    EXPECT_EQ(host_.offered.size(), std::size(steps)) << "each click was offered to the host";
    EXPECT_TRUE(host_.commands.empty());
}

TEST_F(SShellNotifyIconTest, ARightClickOpensTheMenuAndItsCommandReachesTheHost) {
    icon_->setProperty("menu", "SMENU:menu_tray");
    icon_->OnLoaded();
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));

    QStringList items;
    ASSERT_TRUE(PickFromMenu("Exit", &items));
    EXPECT_EQ(items, (QStringList{"Check firmware", "Exit"}));
    EXPECT_EQ(host_.commands, std::vector<int>{6});
    EXPECT_TRUE(host_.fromMenu);
    EXPECT_TRUE(host_.isVisible()) << "a right click does not hide the window";

    ASSERT_TRUE(PickFromMenu(""));
    EXPECT_EQ(host_.commands, std::vector<int>{6}) << "closing the menu chooses nothing";
}

TEST_F(SShellNotifyIconTest, WithoutAMenuARightClickOpensNothing) {
    icon_->setProperty("menu", "SMENU:menu_other");
    icon_->OnLoaded();
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    EXPECT_FALSE(PickFromMenu(""));
    EXPECT_TRUE(host_.commands.empty());
}

TEST_F(SShellNotifyIconTest, AHostThatHandlesTheClicksTakesThemOver) {
    icon_->setProperty("menu", "SMENU:menu_tray");
    icon_->OnLoaded();
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    host_.takeOver = true;

    Click(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(host_.isVisible());
    EXPECT_FALSE(PickFromMenu("Exit"));
    EXPECT_TRUE(host_.commands.empty());
    EXPECT_EQ(host_.offered, (std::vector<QSystemTrayIcon::ActivationReason>{
                                 QSystemTrayIcon::Trigger, QSystemTrayIcon::Context}));
}

} // namespace
} // namespace keywright::widgets::test
