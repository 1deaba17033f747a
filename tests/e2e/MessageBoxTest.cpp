// The program's message box from the resource package.

#include "app/CMessageBox.h"
#include "app/NamedIds.h"
#include "ui/StockControls.h"
#include "ui/Toolkit.h"
#include "ui/WindowTree.h"
#include "widgets/WidgetClasses.h"

#include <QApplication>
#include <QString>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace keywright::app::test {
namespace {

class MessageBoxTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(toolkit.OpenPackage(QCoreApplication::applicationDirPath() + "/uires"));
        toolkit.Ids().Register(NamedIds());
        widgets::RegisterWidgetClasses(toolkit.Registry());
        ASSERT_TRUE(toolkit.LoadDefinition(QStringLiteral("uidef:xml_init")));
    }

    // Shows a box and, once it is up, lets `act` look at it and answer it.
    int Show(ui::MessageButtons buttons, std::function<void(CMessageBox&)> act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<CMessageBox*>(widget);
                if (box != nullptr && box->IsRunning()) {
                    acted = true;
                    act(*box);
                    return;
                }
            }
        });
        const int answer =
            ShowPackageMessageBox(nullptr, QStringLiteral("Warning"),
                                  QStringLiteral("Please insert USB device!"), buttons);
        EXPECT_TRUE(acted) << "no box came up";
        return answer;
    }

    static void Click(CMessageBox& box, const char* name) {
        auto* button = ui::Find<ui::Button>(&box, QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    ui::Toolkit toolkit;
};

TEST_F(MessageBoxTest, TheBoxComesFromTheLayoutWithTheNamedControls) {
    Show(ui::MessageButtons::OkCancel, [](CMessageBox& box) {
        auto* title = ui::Find<ui::Text>(&box, QStringLiteral("msgtitle"));
        auto* text = ui::Find<ui::Text>(&box, QStringLiteral("msgtext"));
        ASSERT_NE(title, nullptr);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(ui::IdOf(title), 65597);
        EXPECT_EQ(ui::IdOf(ui::FindByName(&box, QStringLiteral("msgicon"), "window")), 65598);
        EXPECT_EQ(ui::IdOf(text), 65599);
        EXPECT_EQ(title->text(), "Warning");
        EXPECT_EQ(text->text(), "Please insert USB device!");
        box.EndDialog(ui::kMessageCancel);
    });
}

TEST_F(MessageBoxTest, TextsFollowTheLanguage) {
    ASSERT_TRUE(toolkit.LoadLanguage(QStringLiteral("lang_cn")));
    Show(ui::MessageButtons::Ok, [](CMessageBox& box) {
        EXPECT_EQ(ui::Find<ui::Text>(&box, QStringLiteral("msgtitle"))->text(),
                  QString::fromUtf8("警告"));
        EXPECT_EQ(ui::Find<ui::Text>(&box, QStringLiteral("msgtext"))->text(),
                  QString::fromUtf8("请插入 USB 设备！"));
        Click(box, "button1st");
    });
}

TEST_F(MessageBoxTest, TheAnswerIsTheButtonOrTheWayTheBoxWasClosed) {
    const struct {
        const char* name;
        ui::MessageButtons buttons;
        std::function<void(CMessageBox&)> act;
        int answer;
    } cases[] = {
        {"OK", ui::MessageButtons::OkCancel, [](CMessageBox& b) { Click(b, "button1st"); },
         ui::kMessageOk},
        {"Cancel", ui::MessageButtons::OkCancel, [](CMessageBox& b) { Click(b, "button2nd"); },
         ui::kMessageCancel},
        {"Escape, asking", ui::MessageButtons::OkCancel,
         [](CMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, ui::kMessageCancel},
        {"Escape, telling", ui::MessageButtons::Ok,
         [](CMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, ui::kMessageOk},
        {"closed, telling", ui::MessageButtons::Ok, [](CMessageBox& b) { b.close(); },
         ui::kMessageOk},
        {"closed, asking", ui::MessageButtons::OkCancel, [](CMessageBox& b) { b.close(); },
         ui::kMessageCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Show(c.buttons, c.act), c.answer);
    }
}

TEST_F(MessageBoxTest, ABoxThatAsksNothingHasNoCancel) {
    Show(ui::MessageButtons::Ok, [](CMessageBox& box) {
        EXPECT_FALSE(ui::Find<ui::Button>(&box, QStringLiteral("button2nd"))->isVisible());
        EXPECT_TRUE(ui::Find<ui::Button>(&box, QStringLiteral("button1st"))->isVisible());
        Click(box, "button1st");
    });
}

} // namespace
} // namespace keywright::app::test
