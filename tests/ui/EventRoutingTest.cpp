#include "UiFixture.h"
#include "ui/HostWindow.h"
#include "ui/WindowTree.h"

#include <QStringList>

namespace keywright::ui::test {
namespace {

// The main layout in a host window whose event map and subscribers write
// what they see into one log.
class EventRoutingTest : public MainWindowTest {
  protected:
    EventHandler Log(const QString& who) {
        return [this, who](Event& e) {
            log_ << QStringLiteral("%1 %2 %3").arg(who, e.name).arg(e.controlId);
        };
    }
    void Click(const char* name) {
        auto* button = window_->Find<Button>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QStringList log_;
};

TEST_F(EventRoutingTest, OwnSubscribersFirstInOrderThenTheHostByName) {
    auto* more = window_->Find<ImageButton>("btn_more");
    ASSERT_NE(more, nullptr);
    more->Subscribe(kCommandEvent, Log("first"));
    more->Subscribe(kCommandEvent, Log("second"));
    more->Subscribe(kEditChangedEvent, Log("other event"));
    window_->OnCommand(65537, Log("host by id"));
    window_->OnCommand("btn_more", Log("host by name"));

    Click("btn_more");
    EXPECT_EQ(log_, QStringList({"first btn_more 65537", "second btn_more 65537",
                                 "host by name btn_more 65537"}));
}

TEST_F(EventRoutingTest, TheHostMatchesByNameThenById) {
    const struct {
        const char* what;
        bool byName;
        bool byId;
        const char* expected; // nullptr: nothing runs, the event stays unhandled
    } cases[] = {
        {"both", true, true, "name"},
        {"name only", true, false, "name"},
        {"id only", false, true, "id"},
        {"neither", false, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HostWindow host("LAYOUT:XML_MAINWND");
        host.Create();
        QString ran;
        if (c.byName)
            host.OnCommand("btn_more", [&](Event&) { ran = "name"; });
        if (c.byId)
            host.OnCommand(65537, [&](Event&) { ran = "id"; });
        auto* more = host.Find<ImageButton>(65537);
        ASSERT_NE(more, nullptr);
        Event event;
        event.id = kCommandEvent;
        RaiseEvent(more, event);
        EXPECT_EQ(ran, c.expected == nullptr ? QString() : QString(c.expected));
        EXPECT_EQ(event.handled, c.expected != nullptr);
    }
}

TEST_F(EventRoutingTest, AnEntryForAnotherEventDoesNotMatch) {
    window_->OnEvent(kSliderPosEvent, "btn_more", Log("slider entry"));
    Click("btn_more");
    EXPECT_TRUE(log_.isEmpty());
}

TEST_F(EventRoutingTest, ASubscriberThatHandlesTheEventEndsIt) {
    auto* more = window_->Find<ImageButton>("btn_more");
    more->Subscribe(kCommandEvent, [this](Event& e) {
        log_ << "taken";
        e.handled = true;
    });
    more->Subscribe(kCommandEvent, Log("later subscriber"));
    window_->OnCommand("btn_more", Log("host"));
    Click("btn_more");
    EXPECT_EQ(log_, QStringList{"taken"});
}

TEST_F(EventRoutingTest, ATaggedSubscriptionReplacesTheEarlierOneOfItsTag) {
    auto* more = window_->Find<ImageButton>("btn_more");
    int tag = 0;
    more->Subscribe(kCommandEvent, Log("old"), &tag);
    more->Subscribe(kCommandEvent, Log("untagged"));
    more->Subscribe(kCommandEvent, Log("new"), &tag);
    Click("btn_more");
    EXPECT_EQ(log_, QStringList({"new btn_more 65537", "untagged btn_more 65537"}));

    log_.clear();
    more->Unsubscribe(kCommandEvent, &tag);
    Click("btn_more");
    EXPECT_EQ(log_, QStringList{"untagged btn_more 65537"});
}

TEST_F(EventRoutingTest, DeliveryStopsWhenASubscriberDestroysTheSender) {
    auto* more = window_->Find<ImageButton>("btn_more");
    more->Subscribe(kCommandEvent, [more](Event&) { delete more; });
    more->Subscribe(kCommandEvent, Log("after"));
    window_->OnCommand("btn_more", Log("host"));
    Event event;
    event.id = kCommandEvent;
    RaiseEvent(more, event);
    EXPECT_TRUE(log_.isEmpty());
    EXPECT_EQ(window_->Find<ImageButton>("btn_more"), nullptr);
}

TEST_F(EventRoutingTest, ClickableControlsRaiseCommandsWithNameAndId) {
    for (const char* name : {"radio_direction_left_0", "chk_macro_record", "btn_close"})
        window_->OnCommand(name, Log("host"));
    QTest::mouseClick(window_->Find<RadioBox>("radio_direction_left_0"), Qt::LeftButton);
    auto* check = window_->Find<CheckBox>("chk_macro_record");
    check->Subscribe(kCommandEvent, [&](Event&) { log_ << (check->IsChecked() ? "on" : "off"); });
    QTest::mouseClick(check, Qt::LeftButton);
    Click("btn_close");
    EXPECT_EQ(log_, QStringList({"host radio_direction_left_0 65544", "on",
                                 "host chk_macro_record 65589", "host btn_close 0"}));
}

TEST_F(EventRoutingTest, ARadioCanBeUncheckedFromCodeAndChecksRaiseNothing) {
    auto* left = window_->Find<RadioBox>("radio_direction_left_0");
    auto* right = window_->Find<RadioBox>("radio_direction_right_0");
    window_->OnCommand(65544, Log("host"));
    window_->OnCommand(65545, Log("host"));
    left->SetCheck(true);
    EXPECT_TRUE(left->IsChecked());
    right->SetCheck(true);
    EXPECT_FALSE(left->IsChecked()); // still one group
    right->SetCheck(false);
    EXPECT_FALSE(left->IsChecked());
    EXPECT_FALSE(right->IsChecked());
    EXPECT_TRUE(right->autoExclusive());
    EXPECT_TRUE(log_.isEmpty());
}

TEST_F(EventRoutingTest, AnEditRaisesAChangeForEveryChangeOfItsText) {
    auto* edit = window_->Find<Edit>("edit_macro_delay_time");
    window_->OnEvent(kEditChangedEvent, 65585,
                     [&](Event& e) { log_ << static_cast<Edit*>(e.sender)->text(); });
    edit->setText("10");
    edit->setText("10"); // no change
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "5");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(log_, QStringList({"10", "105", "10"}));
}

} // namespace
} // namespace keywright::ui::test
