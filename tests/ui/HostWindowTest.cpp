#include "ui/HostWindow.h"

#include "UiFixture.h"
#include "ui/HostDialog.h"
#include "ui/Menu.h"
#include "ui/MessageBox.h"
#include "ui/TabCtrl.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>

namespace keywright::ui::test {
namespace {

// A window whose initialisation may end it at once, as the main window does
// when no keyboard is found.
class MainWindow : public HostWindow {
  public:
    explicit MainWindow(bool failInit = false)
        : HostWindow("LAYOUT:XML_MAINWND"), failInit_(failInit) {}
    int inits = 0;
    int destroys = 0;

  protected:
    void OnInit() override {
        ++inits;
        if (failInit_)
            DestroyWindow();
    }
    void OnDestroy() override { ++destroys; }

  private:
    bool failInit_;
};

TEST_F(ToolkitTest, CreatingAWindowLoadsItsLayoutOnceAndRunsItsInitialisation) {
    MainWindow window;
    EXPECT_TRUE(window.Create());
    EXPECT_TRUE(window.Create());
    EXPECT_EQ(window.inits, 1);
    ASSERT_NE(window.Root(), nullptr);
    EXPECT_EQ(window.Root()->parentWidget(), &window);
    EXPECT_EQ(window.windowTitle(), "Keywright");
    EXPECT_EQ(window.size(), QSize(640, 420));
    EXPECT_TRUE(IsClass(&window, "hostwnd"));
    EXPECT_FALSE(IsClass(&window, "hostdlg"));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(ToolkitTest, EventsRaisedWhileTheLayoutIsBuiltDoNotReachTheWindow) {
    // Building the layout moves selections (the first tab page added becomes
    // the current page); the window hears of nothing before its OnInit.
    struct Counting : HostWindow {
        Counting() : HostWindow("LAYOUT:XML_MAINWND") {}
        void HandleEvent(Event& event) override {
            ++(initialised ? after : before);
            HostWindow::HandleEvent(event);
        }
        void OnInit() override { initialised = true; }
        bool initialised = false;
        int before = 0;
        int after = 0;
    } window;
    window.Create();
    EXPECT_EQ(window.before, 0);
    window.Find<TabCtrl>("tab_color_effect")->SetCurSel(1);
    EXPECT_EQ(window.after, 1);
}

TEST_F(ToolkitTest, AWindowWithoutItsLayoutIsEmptyButInitialised) {
    struct Empty : HostWindow {
        Empty() : HostWindow("LAYOUT:no_such_layout") {}
        void OnInit() override { ++inits; }
        int inits = 0;
    } window;
    EXPECT_FALSE(window.Create());
    EXPECT_EQ(window.inits, 1);
    EXPECT_EQ(window.Root(), nullptr);
    EXPECT_FALSE(window.LayoutError().isEmpty());
    EXPECT_EQ(window.Find<Button>("btnOK"), nullptr);
}

TEST_F(ToolkitTest, AWindowDestroyedDuringItsInitialisationEndsTheLoopAtOnce) {
    MainWindow window(true);
    window.Create();
    EXPECT_TRUE(window.IsDestroyed());
    EXPECT_EQ(window.destroys, 1);
    EXPECT_EQ(RunMessageLoop(window), 1);
}

TEST_F(ToolkitTest, TheLoopEndsWhenTheMainWindowIsDestroyedAndNotBefore) {
    MainWindow window;
    window.Create();
    window.show();
    HostWindow other("LAYOUT:dialog");
    other.Create();
    other.show();
    int step = 0;
    QTimer steps;
    QObject::connect(&steps, &QTimer::timeout, [&] {
        switch (step++) {
        case 0:
            other.close(); // another window closing ends nothing
            break;
        case 1:
            window.hide(); // neither does hiding every window
            break;
        case 2:
            window.close(); // the main window closing (title bar, taskbar) ends it
            break;
        default:
            QCoreApplication::exit(99); // not reached when the loop ended at step 2
        }
    });
    steps.start(20);
    EXPECT_EQ(RunMessageLoop(window), 1);
    EXPECT_EQ(step, 3);
    EXPECT_TRUE(other.IsDestroyed());
    EXPECT_TRUE(window.IsDestroyed());
    EXPECT_EQ(window.destroys, 1);
    window.DestroyWindow();
    EXPECT_EQ(window.destroys, 1);
}

// The assignment dialog's buttons end it with their codes.
class Dialog : public HostDialog {
  public:
    explicit Dialog(bool endAtInit = false) : HostDialog("LAYOUT:dialog"), endAtInit_(endAtInit) {}

  protected:
    void OnInit() override {
        OnCommand("btnOK", [this](Event&) { EndDialog(1); });
        OnCommand("btnCancel", [this](Event&) { EndDialog(2); });
        OnCommand(65596, [this](Event& e) { EndDialog(e.controlId); });
        if (endAtInit_)
            EndDialog(7);
    }

  private:
    bool endAtInit_;
};

TEST_F(ToolkitTest, AModalDialogReturnsTheCodeItEndedWith) {
    const struct {
        const char* what;
        std::function<void(Dialog&)> act;
        int code;
    } cases[] = {
        {"OK", [](Dialog& d) { QTest::mouseClick(d.Find<Button>("btnOK"), Qt::LeftButton); }, 1},
        {"Delete",
         [](Dialog& d) { QTest::mouseClick(d.Find<Button>("btnDelete"), Qt::LeftButton); }, 65596},
        {"Cancel",
         [](Dialog& d) { QTest::mouseClick(d.Find<Button>("btnCancel"), Qt::LeftButton); }, 2},
        {"closed", [](Dialog& d) { d.close(); }, 2},
        {"Escape", [](Dialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, 2},
        {"destroyed", [](Dialog& d) { d.DestroyWindow(); }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Dialog dialog;
        bool shown = false;
        Soon([&] {
            shown = dialog.isVisible() && dialog.IsRunning();
            c.act(dialog);
        });
        EXPECT_EQ(dialog.DoModal(), c.code);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(IsClass(&dialog, "hostdlg"));
        EXPECT_TRUE(IsClass(&dialog, "hostwnd"));
        EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    }
}

TEST_F(ToolkitTest, ADialogEndedDuringItsInitialisationIsNeverShown) {
    Dialog dialog(true);
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_FALSE(dialog.isVisible());
}

// Keeps what reached it and on which thread, outside itself, so the count
// can be checked after it is gone.
struct Delivered {
    std::vector<HostWindow::Message> messages;
    std::vector<Qt::HANDLE> threads;
};

class Receiver : public HostWindow {
  public:
    explicit Receiver(Delivered& delivered) : HostWindow("LAYOUT:dialog"), delivered_(delivered) {}

  protected:
    void OnMessage(const Message& message) override {
        delivered_.messages.push_back(message);
        delivered_.threads.push_back(QThread::currentThreadId());
    }

  private:
    Delivered& delivered_;
};

TEST_F(ToolkitTest, MessagesPostedFromAnotherThreadArriveInOrderOnTheWindowsThread) {
    Delivered delivered;
    Receiver window(delivered);
    constexpr int kCount = 200;
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i)
            window.Post({1025, static_cast<quintptr>(0x70000 + i), i % 2});
    });
    poster.join();
    ASSERT_TRUE(WaitFor([&] { return delivered.messages.size() == kCount; }));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(delivered.messages[i].id, 1025);
        EXPECT_EQ(delivered.messages[i].wParam, static_cast<quintptr>(0x70000 + i));
        EXPECT_EQ(delivered.messages[i].lParam, i % 2);
        EXPECT_EQ(delivered.threads[i], QThread::currentThreadId());
    }
}

TEST_F(ToolkitTest, MessagesStillQueuedWhenTheWindowGoesAreDropped) {
    Delivered delivered;
    auto window = std::make_unique<Receiver>(delivered);
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i)
            window->Post({1025, 0, 1});
    });
    poster.join();
    window.reset();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(delivered.messages.empty());
}

// Answers the message box that is open: checks what it shows, then presses.
void Answer(QString* caption, QString* text, const std::function<void(QMessageBox&)>& press) {
    Soon([=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        *caption = box->windowTitle();
        *text = box->text();
        press(*box);
    });
}

TEST_F(ToolkitTest, TheMessageBoxShowsItsTextsTranslatedAndReturnsTheButton) {
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    const struct {
        const char* what;
        MessageButtons buttons;
        std::function<void(QMessageBox&)> press;
        int result;
    } cases[] = {
        {"OK of OK", MessageButtons::Ok, [](QMessageBox& b) { b.button(QMessageBox::Ok)->click(); },
         kMessageOk},
        {"Escape of OK", MessageButtons::Ok,
         [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, kMessageOk},
        {"OK of OK/Cancel", MessageButtons::OkCancel,
         [](QMessageBox& b) { b.button(QMessageBox::Ok)->click(); }, kMessageOk},
        {"Cancel of OK/Cancel", MessageButtons::OkCancel,
         [](QMessageBox& b) { b.button(QMessageBox::Cancel)->click(); }, kMessageCancel},
        {"Escape of OK/Cancel", MessageButtons::OkCancel,
         [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, kMessageCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString caption;
        QString text;
        Answer(&caption, &text, c.press);
        EXPECT_EQ(ShowMessageBox(nullptr, "Warning", "Please insert USB device!", c.buttons),
                  c.result);
        EXPECT_EQ(caption, "警告");
        EXPECT_EQ(text, "请插入USB设备！");
    }
    QString caption;
    QString text;
    Answer(&caption, &text, [](QMessageBox& b) { b.button(QMessageBox::Ok)->click(); });
    ShowMessageBox(nullptr, "Warning", "No translation for this");
    EXPECT_EQ(text, "No translation for this");
}

TEST(Menu, ReadsItemsWithCommandIdsNamesAndSubmenus) {
    Menu menu;
    QString error;
    ASSERT_TRUE(menu.Load(R"(<menuRoot>
        <item id="1" text="Check firmware"/>
        <item text="Language"><item name="zh_cn" text="中文"/><item name="jp" id="0x10" text="English"/></item>
        <sep/>
        <item id="6" text="Exit" disabled="1"/>
      </menuRoot>)",
                          &error))
        << error.toStdString();
    EXPECT_EQ(menu.RootName(), "menuRoot");
    const auto& items = menu.Items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].id, 1);
    EXPECT_EQ(items[0].text, "Check firmware");
    EXPECT_TRUE(items[0].items.empty());
    ASSERT_EQ(items[1].items.size(), 2u);
    EXPECT_EQ(items[1].items[0].name, "zh_cn");
    EXPECT_EQ(items[1].items[0].id, 0);
    EXPECT_EQ(items[1].items[1].name, "jp");
    EXPECT_EQ(items[1].items[1].id, 16);
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].id, 6);
    EXPECT_TRUE(items[3].disabled);
}

TEST(Menu, AnItemWithCheckedHasACheckMarkItsOwnerSetsByName) {
    Menu menu;
    ASSERT_TRUE(menu.Load(R"(<menu>
        <item name="auto" text="Start" checked="1"/>
        <item name="plain" text="Plain"/>
        <item text="Sub"><item name="auto" text="Again" checked="0"/></item>
      </menu>)"));
    const auto& items = menu.Items();
    EXPECT_TRUE(items[0].checkable);
    EXPECT_TRUE(items[0].checked);
    EXPECT_FALSE(items[1].checkable);
    EXPECT_TRUE(items[2].items[0].checkable);
    EXPECT_FALSE(items[2].items[0].checked);

    // Every checkable item of that name, in submenus too.
    EXPECT_TRUE(menu.SetChecked("auto", false));
    EXPECT_FALSE(items[0].checked);
    EXPECT_TRUE(menu.SetChecked("auto", true));
    EXPECT_TRUE(items[0].checked);
    EXPECT_TRUE(items[2].items[0].checked);
    // An item without "checked" gets no mark.
    EXPECT_FALSE(menu.SetChecked("plain", true));
    EXPECT_FALSE(items[1].checked);
    EXPECT_FALSE(menu.SetChecked("nothing", true));
}

TEST(Menu, RejectsABrokenMenu) {
    const struct {
        const char* what;
        const char* xml;
    } cases[] = {
        {"not well-formed", "<menu><item id=\"1\"></menu>"},
        {"empty", ""},
        {"unknown element", "<menu><entry id=\"1\"/></menu>"},
        {"unknown element in a submenu", "<menu><item><button/></item></menu>"},
        {"id not a number", "<menu><item id=\"one\"/></menu>"},
        {"id too large", "<menu><item id=\"0x100000000\"/></menu>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Menu menu;
        ASSERT_TRUE(menu.Load("<menu><item id=\"1\"/></menu>"));
        QString error;
        EXPECT_FALSE(menu.Load(c.xml, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(menu.Items().empty());
        EXPECT_TRUE(menu.RootName().isEmpty());
    }
}

// Chooses the item with `text` in the open popup, opening submenus on the
// way through `path` (texts of the submenu items), or closes it when `text`
// is empty.
void Choose(QStringList path, QString text) {
    Soon([path, text]() mutable {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        if (text.isEmpty()) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        for (const QString& step : path) {
            for (QAction* action : menu->actions()) {
                if (action->text() == step) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Right);
                    break;
                }
            }
            ASSERT_TRUE(WaitFor([&] { return QApplication::activePopupWidget() != menu; }));
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
        }
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        FAIL() << "no item " << text.toStdString();
    });
}

TEST_F(ToolkitTest, AChosenMenuItemReachesItsOwnerAsAMenuCommand) {
    MainWindow owner;
    owner.Create();
    owner.show();
    QStringList seen;
    owner.OnCommand(
        1, [&](Event& e) { seen << QStringLiteral("id %1 %2").arg(e.controlId).arg(e.menu); });
    owner.OnCommand("zh_cn", [&](Event& e) { seen << "name " + e.name; });
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    Menu menu;
    ASSERT_TRUE(menu.LoadResource("smenuex:menu_more"));
    const QPoint at = owner.mapToGlobal(QPoint(10, 10));

    Choose({}, "检查固件"); // texts show translated
    const Menu::Item* chosen = menu.Exec(at, &owner);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->id, 1);

    Choose({"语言"}, "中文");
    chosen = menu.Exec(at, &owner);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->name, "zh_cn");

    Choose({}, ""); // closed without a choice
    EXPECT_EQ(menu.Exec(at, &owner), nullptr);

    EXPECT_EQ(seen, QStringList({"id 1 1", "name zh_cn"}));
}

TEST_F(ToolkitTest, AMissingMenuResourceLoadsNothing) {
    Menu menu;
    QString error;
    EXPECT_FALSE(menu.LoadResource("SMENU:no_such_menu", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(menu.Items().empty());
}

} // namespace
} // namespace keywright::ui::test
