#include "UiFixture.h"
#include "ui/ComboBox.h"
#include "ui/HostWindow.h"
#include "ui/Slider.h"
#include "ui/TabCtrl.h"

#include <QMouseEvent>
#include <vector>

namespace keywright::ui::test {
namespace {

struct Seen {
    int id;
    int value;
    int previous;
    friend bool operator==(const Seen&, const Seen&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Seen& s) {
        return out << "{" << s.id << ", " << s.value << ", " << s.previous << "}";
    }
};

class ControlEventsTest : public MainWindowTest {
  protected:
    // Records every event of `eventId` that reaches the host from `name`.
    void Watch(int eventId, const char* name) {
        window_->OnEvent(eventId, name, [this](Event& e) {
            seen_.push_back({e.id, e.value, e.previous});
        });
    }

    std::vector<Seen> seen_;
};

TEST_F(ControlEventsTest, AComboRaisesSelectionChangesOnlyWhenTheSelectionChanges) {
    auto* combo = window_->Find<ComboBox>("cbx_color_effect");
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->CurSel(), 0);
    Watch(kSelChangedEvent, "cbx_color_effect");

    constexpr int kAny = -100;
    const struct {
        const char* what;
        std::function<bool()> act;
        bool accepted;
        int selection; // kAny: wherever Qt puts it
        std::vector<Seen> events;
    } steps[] = {
        {"select 1", [&] { return combo->SetCurSel(1); }, true, 1, {{kSelChangedEvent, 1, 0}}},
        {"select 1 again", [&] { return combo->SetCurSel(1); }, true, 1, {}},
        {"select 2 quietly", [&] { return combo->SetCurSel(2, false); }, true, 2, {}},
        {"select 2 again", [&] { return combo->SetCurSel(2); }, true, 2, {}},
        {"select 0", [&] { return combo->SetCurSel(0); }, true, 0, {{kSelChangedEvent, 0, 2}}},
        {"past the end", [&] { return combo->SetCurSel(3); }, false, 0, {}},
        {"below -1", [&] { return combo->SetCurSel(-2); }, false, 0, {}},
        {"none", [&] { return combo->SetCurSel(-1); }, true, -1, {{kSelChangedEvent, -1, 0}}},
        {"the user picks the next",
         [&] {
             combo->SetCurSel(0, false);
             combo->setFocus();
             QTest::keyClick(combo, Qt::Key_Down);
             return true;
         },
         true,
         1,
         {{kSelChangedEvent, 1, 0}}},
        {"an entry is added", [&] { return combo->AddItem("Breath") == 3; }, true, 1, {}},
        {"the selected entry is removed",
         [&] {
             combo->removeItem(1);
             return true;
         },
         true,
         kAny,
         {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        seen_.clear();
        EXPECT_EQ(step.act(), step.accepted);
        if (step.selection != kAny) {
            EXPECT_EQ(combo->CurSel(), step.selection);
        }
        EXPECT_EQ(seen_, step.events);
    }
    // After the quiet moves the next real change reports the right previous.
    seen_.clear();
    const int before = combo->CurSel();
    combo->SetCurSel(before == 0 ? 2 : 0);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].previous, before);
}

TEST_F(ControlEventsTest, AComboFilledFromCodeRaisesNothing) {
    ComboBox combo(window_->Root());
    combo.setObjectName("filled");
    Watch(kSelChangedEvent, "filled");
    combo.AddItem("a", 1);
    combo.AddItem("b", 2);
    combo.clear();
    combo.AddItem("c", 3);
    EXPECT_TRUE(seen_.empty());
    EXPECT_EQ(combo.ItemData(0), 3);
}

TEST_F(ControlEventsTest, ComboEntriesCarryTheLayoutsItemData) {
    auto* combo = window_->Find<ComboBox>("cbx_color_effect");
    EXPECT_EQ(combo->ItemData(0), 5);
    EXPECT_EQ(combo->ItemData(1), 0x10);
    EXPECT_EQ(combo->ItemData(2), 7);
    EXPECT_EQ(combo->ItemData(3), 0); // no such entry
    combo->SetItemData(2, -4);
    EXPECT_EQ(combo->ItemData(2), -4);
}

TEST_F(ControlEventsTest, ASliderReportsTheUsersMovesOnly) {
    auto* slider = window_->Find<Slider>("bar_side_brightness");
    ASSERT_NE(slider, nullptr);
    Watch(kSliderPosEvent, "bar_side_brightness");
    slider->SetValue(3);
    slider->setValue(4);
    EXPECT_TRUE(seen_.empty());

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 5);
    EXPECT_EQ(seen_, (std::vector<Seen>{{kSliderPosEvent, 5, -1}}));

    // A move against the end moves nothing; the next change from code is
    // still the program's.
    seen_.clear();
    slider->SetValue(7);
    QTest::keyClick(slider, Qt::Key_Right);
    slider->SetValue(2);
    EXPECT_TRUE(seen_.empty());

    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() - 2, slider->height() / 2));
    ASSERT_FALSE(seen_.empty());
    EXPECT_EQ(seen_.back().value, slider->Value());
    EXPECT_GT(slider->Value(), 2);
}

TEST_F(ControlEventsTest, ATabControlReportsPageChangesAndHeaderHoverAndLeave) {
    auto* tabs = window_->Find<TabCtrl>("tab_color_effect");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    Watch(kTabSelChangedEvent, "tab_color_effect");
    Watch(kTabItemHoverEvent, "tab_color_effect");
    Watch(kTabItemLeaveEvent, "tab_color_effect");

    EXPECT_TRUE(tabs->SetCurSel(1));
    EXPECT_TRUE(tabs->SetCurSel(1));
    EXPECT_FALSE(tabs->SetCurSel(2));
    EXPECT_EQ(seen_, (std::vector<Seen>{{kTabSelChangedEvent, 1, 0}}));

    seen_.clear();
    TabBar* headers = tabs->Headers();
    auto moveTo = [&](QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, headers->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(headers, &move);
    };
    const QPoint first = headers->tabRect(0).center();
    const QPoint second = headers->tabRect(1).center();
    moveTo(first);
    moveTo(first + QPoint(1, 0)); // same header: nothing new
    moveTo(second);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(headers, &leave);
    EXPECT_EQ(seen_, (std::vector<Seen>{{kTabItemHoverEvent, 0, -1},
                                        {kTabItemLeaveEvent, 0, -1},
                                        {kTabItemHoverEvent, 1, -1},
                                        {kTabItemLeaveEvent, 1, -1}}));

    seen_.clear();
    QTest::mouseClick(headers, Qt::LeftButton, {}, first);
    EXPECT_EQ(tabs->CurSel(), 0);
    ASSERT_FALSE(seen_.empty());
    EXPECT_EQ(seen_.back(), (Seen{kTabSelChangedEvent, 0, 1}));
}

} // namespace
} // namespace keywright::ui::test
