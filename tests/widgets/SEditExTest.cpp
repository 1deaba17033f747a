#include "widgets/SEditEx.h"

#include "WidgetTestPackage.h"
#include "ui/HostWindow.h"
#include "ui/WindowTree.h"
#include "widgets/EventKeyEnter.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

namespace keywright::widgets::test {
namespace {

constexpr int kEditId = 65585;

class SEditExTest : public WidgetTest {
  protected:
    void SetUp() override {
        WidgetTest::SetUp();
        edit_ = new SEditEx(&host_);
        edit_->setObjectName("edit_macro_delay_time");
        ui::SetId(edit_, kEditId);
        edit_->resize(120, 24);
        host_.OnEvent(EventKeyEnter::kId, kEditId, [this](ui::Event& e) {
            EXPECT_EQ(e.sender, edit_);
            EXPECT_EQ(e.name, "edit_macro_delay_time");
            EXPECT_EQ(e.controlId, kEditId);
            ++hostSaw_;
        });
        edit_->Subscribe(EventKeyEnter::kId, [this](ui::Event&) { ++editSaw_; });
    }

    void KeyDown(int key, bool autoRepeat = false, const QString& text = QString()) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
        QCoreApplication::sendEvent(edit_, &event);
    }
    void KeyUp(int key) {
        QKeyEvent event(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(edit_, &event);
    }

    ui::HostWindow host_{"LAYOUT:none"};
    SEditEx* edit_ = nullptr;
    int editSaw_ = 0;
    int hostSaw_ = 0;
};

TEST_F(SEditExTest, IsTheClassEditexBasedOnEdit) {
    EXPECT_EQ(ui::ClassNameOf(edit_), "editex");
    EXPECT_TRUE(ui::IsClass(edit_, "edit"));
    EXPECT_TRUE(ui::IsClass(edit_, "window"));
    EXPECT_EQ(EventKeyEnter::kId, 10000500);
    EXPECT_EQ(EventKeyEnter::kName, "on_key_enter");
}

TEST_F(SEditExTest, EachEnterKeyDownRaisesOneEvent) {
    QSignalSpy returnPressed(edit_, &QLineEdit::returnPressed);
    const struct {
        const char* what;
        int key;
        bool autoRepeat;
        int events; // in total so far
    } rows[] = {
        {"Enter", Qt::Key_Return, false, 1},  {"auto-repeated Enter", Qt::Key_Return, true, 2},
        {"again", Qt::Key_Return, true, 3},   {"keypad Enter", Qt::Key_Enter, false, 4},
        {"another key", Qt::Key_A, false, 4}, {"Escape", Qt::Key_Escape, false, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        KeyDown(row.key, row.autoRepeat);
        EXPECT_EQ(editSaw_, row.events);
        EXPECT_EQ(hostSaw_, row.events);
    }
    KeyUp(Qt::Key_Return);
    EXPECT_EQ(hostSaw_, 4) << "a key-up raises nothing";
    EXPECT_EQ(returnPressed.count(), 0) << "the edit never sees Enter";
}

TEST_F(SEditExTest, OtherKeysStillType) {
    QTest::keyClicks(edit_, "12");
    KeyDown(Qt::Key_Return, false, "\r");
    QTest::keyClick(edit_, Qt::Key_Backspace);
    QTest::keyClicks(edit_, "5");
    EXPECT_EQ(edit_->text(), "15");
    EXPECT_EQ(hostSaw_, 1);
}

TEST_F(SEditExTest, EnterGoesNoFurtherThanTheEdit) {
    // A parent that would act on Enter (as a dialog's default button does)
    // never sees it.
    class Watcher : public QObject {
      public:
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress)
                ++keys;
            return false;
        }
        int keys = 0;
    } watcher;
    host_.installEventFilter(&watcher);
    KeyDown(Qt::Key_Return);
    KeyDown(Qt::Key_Escape); // QLineEdit passes Escape on
    EXPECT_EQ(watcher.keys, 1);
}

TEST_F(SEditExTest, AClickEnablesAnEditDisabledItself) {
    edit_->setText("hello");
    edit_->setCursorPosition(0);
    edit_->setEnabled(false);
    const QPoint end(110, 12);

    SendMouse(*edit_, QEvent::MouseButtonPress, end, Qt::RightButton);
    EXPECT_FALSE(edit_->isEnabled()) << "only the left button enables";

    SendMouse(*edit_, QEvent::MouseButtonPress, end);
    EXPECT_TRUE(edit_->isEnabled());
    SendMouse(*edit_, QEvent::MouseButtonRelease, end);
    EXPECT_EQ(edit_->cursorPosition(), 0) << "the click does not reach the edit";

    // Enabled already: the click still does not move the caret.
    SendMouse(*edit_, QEvent::MouseButtonPress, end);
    SendMouse(*edit_, QEvent::MouseButtonRelease, end);
    EXPECT_EQ(edit_->cursorPosition(), 0);

    // A release alone enables too.
    edit_->setEnabled(false);
    SendMouse(*edit_, QEvent::MouseButtonRelease, end);
    EXPECT_TRUE(edit_->isEnabled());
}

TEST_F(SEditExTest, AClickLeavesAnEditDisabledByItsParent) {
    host_.setEnabled(false);
    SendMouse(*edit_, QEvent::MouseButtonPress, {5, 5});
    SendMouse(*edit_, QEvent::MouseButtonRelease, {5, 5});
    EXPECT_FALSE(edit_->isEnabled());
    host_.setEnabled(true);
    EXPECT_TRUE(edit_->isEnabled());
}

TEST_F(SEditExTest, CueTextAndColour) {
    edit_->setProperty("cueText", "Delay");
    edit_->setProperty("cueColor", QColor(1, 2, 3));
    EXPECT_EQ(edit_->placeholderText(), "Delay");
    EXPECT_EQ(edit_->property("cueColor").value<QColor>(), QColor(1, 2, 3));
}

} // namespace
} // namespace keywright::widgets::test
