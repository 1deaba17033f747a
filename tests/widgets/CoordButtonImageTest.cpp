#include "widgets/CoordButtonImage.h"

#include "WidgetTestPackage.h"
#include "support/LogCheck.h"
#include "ui/WindowTree.h"

#include <QTest>
#include <memory>
#include <optional>
#include <set>

namespace keywright::widgets::test {
namespace {

// Keys for the tests, in file order:
//   A and B touch (A's right edge is B's left edge); C and D overlap in
//   40..49 x 10..19; E shares A's id; F has no rect; G is filled opaque green,
//   H with a six-digit colour (alpha 0).
constexpr const char* kKeys = R"(<?xml version="1.0" encoding="utf-8"?>
<positions>
  <key name="A" va="7" id="1" rect="0,0,10,10"/>
  <key name="B" va="7" id="2" rect="10,0,10,10"/>
  <key name="C" va="7" id="3" rect="30,0,20,20"/>
  <key name="D" va="12" id="4" rect="40,10,20,20"/>
  <key name="E" va="7" id="1" rect="70,0,10,10"/>
  <key name="F" va="7" id="6"/>
  <key name="G" va="7" id="7" rect="0,30,10,10" color="FF00FF00"/>
  <key name="H" va="7" id="8" rect="20,30,10,10" color="#0000FF"/>
</positions>
)";

struct Click {
    qint32 id;
    QString name;
    quint32 up;
    quint32 flags;
    QPoint point;
    friend bool operator==(const Click&, const Click&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Click& c) {
        return out << "{" << c.id << " " << c.name.toStdString() << " up=" << c.up << " flags=0x"
                   << std::hex << c.flags << std::dec << " (" << c.point.x() << "," << c.point.y()
                   << ")}";
    }
};

class RecordingListener : public ICoordButtonClickListener {
  public:
    int OnCoordButtonClick(qint32 id, QString name, quint32 up, quint32 flags,
                           QPoint point) override {
        clicks.push_back({id, std::move(name), up, flags, point});
        return answer;
    }
    std::vector<Click> clicks;
    int answer = 0;
};

class CoordButtonImageTest : public WidgetTest {
  protected:
    void SetUp() override {
        WidgetTest::SetUp();
        package.Write("keys.xml", kKeys);
        map_ = MakeMap(package.ProgramRelative("keys.xml"));
    }

    std::unique_ptr<CoordButtonImage> MakeMap(const QString& crdxml) {
        auto map = std::make_unique<CoordButtonImage>();
        map->resize(kKeyboardSize);
        map->setProperty("crdxml", crdxml);
        map->OnLoaded();
        return map;
    }

    // The names of the keys whose `mark` is set.
    std::set<QString> Marked(bool CoordButton::*mark) const {
        std::set<QString> names;
        for (const CoordButton& key : map_->Buttons()) {
            if (key.*mark)
                names.insert(key.name);
        }
        return names;
    }

    const CoordButton& Key(const char* name) const {
        for (const CoordButton& key : map_->Buttons()) {
            if (key.name == QLatin1String(name))
                return key;
        }
        throw std::logic_error("no such key");
    }

    void Press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        SendMouse(*map_, QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
    }
    void Release(QPoint at) { SendMouse(*map_, QEvent::MouseButtonRelease, at); }

    std::unique_ptr<CoordButtonImage> map_;
};

TEST_F(CoordButtonImageTest, IsTheClassCbimgBasedOnWindow) {
    EXPECT_EQ(ui::ClassNameOf(map_.get()), "cbimg");
    EXPECT_TRUE(ui::IsClass(map_.get(), "window"));
    EXPECT_FALSE(ui::IsClass(map_.get(), "button"));
}

TEST_F(CoordButtonImageTest, LoadsTheKeysOnceFromTheProgramFolder) {
    ASSERT_EQ(map_->Buttons().size(), 8u);
    EXPECT_EQ(map_->Buttons()[3].name, "D");
    EXPECT_EQ(map_->Buttons()[3].va, 12);

    // A later OnLoaded reads nothing again, even with another file.
    package.Write("keys.xml", "<positions><key id=\"9\"/></positions>");
    map_->OnLoaded();
    EXPECT_EQ(map_->Buttons().size(), 8u);

    const struct {
        const char* what;
        QString crdxml;
        size_t keys;
    } rows[] = {
        {"leading slash", "/" + package.ProgramRelative("keys.xml"), 1},
        {"leading backslash", "\\" + package.ProgramRelative("keys.xml"), 1},
        {"string reference", "@string/keys", 1},
        {"empty", "", 0},
        {"missing file", package.ProgramRelative("none.xml"), 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(MakeMap(row.crdxml)->Buttons().size(), row.keys);
    }
}

TEST_F(CoordButtonImageTest, TheSelectionModeAcceptsNumbersAndTexts) {
    keywright::test::ExpectLog badType("attribute \"type\" cannot be \"two\"");
    const struct {
        QVariant value;
        qint32 mode;
    } rows[] = {{2, 2}, {QString("1"), 1}, {QString("0x2"), 2}, {QString("two"), 2}, {0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value.toString().toStdString());
        map_->setProperty("type", row.value);
        EXPECT_EQ(map_->SelectionMode(), row.mode);
        EXPECT_EQ(map_->property("type").toInt(), row.mode);
    }
}

TEST_F(CoordButtonImageTest, AnImageIdThatNamesNoImageIsRefused) {
    keywright::test::ExpectLog noImage("attribute \"bg\" cannot be \"main:no_such_png\"");
    keywright::test::ExpectLog noChecked("attribute \"chked\" cannot be \"\"");
    map_->setProperty("bg", "main:kb_bg_png");
    map_->setProperty("bg", "main:no_such_png");
    map_->setProperty("chked", "");
    EXPECT_EQ(map_->BackgroundImage(), "main:kb_bg_png");
    EXPECT_EQ(map_->CheckedImage(), "");
}

// Where the pointer is: which keys show hovered, which tooltip shows, and
// which key a press goes to.
TEST_F(CoordButtonImageTest, HitTestingExcludesRightAndBottomEdges) {
    map_->SetButtonTip("tip of D", 4);
    RecordingListener listener;
    map_->SetClickListener(&listener);
    const struct {
        QPoint at;
        std::set<QString> hovered;
        QString tooltip;
        std::optional<Click> press;
    } rows[] = {
        {{0, 0}, {"A"}, "A", Click{1, "A", 0, kKeyStateLeftButton, {0, 0}}},
        {{9, 9}, {"A"}, "A", Click{1, "A", 0, kKeyStateLeftButton, {9, 9}}},
        {{10, 0}, {"B"}, "B", Click{2, "B", 0, kKeyStateLeftButton, {10, 0}}},
        {{9, 10}, {}, "", std::nullopt},
        {{20, 5}, {}, "", std::nullopt},
        // Overlap: all hovered, the tooltip of the last, the click to the first.
        {{45, 15}, {"C", "D"}, "tip of D", Click{3, "C", 0, kKeyStateLeftButton, {45, 15}}},
        {{50, 15}, {"D"}, "tip of D", Click{4, "D", 0, kKeyStateLeftButton, {50, 15}}},
        // E shares A's id: the click reports that id with E's name.
        {{75, 5}, {"E"}, "E", Click{1, "E", 0, kKeyStateLeftButton, {75, 5}}},
        {{0, 0}, {"A"}, "A", Click{1, "A", 0, kKeyStateLeftButton, {0, 0}}},
        {{99, 49}, {}, "", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.at));
        SendMouse(*map_, QEvent::MouseMove, row.at);
        EXPECT_EQ(Marked(&CoordButton::hover), row.hovered);
        EXPECT_EQ(map_->toolTip(), row.tooltip);

        listener.clicks.clear();
        Press(row.at);
        Release(row.at);
        if (row.press) {
            Click release = *row.press;
            release.up = 1;
            release.flags = 0;
            EXPECT_EQ(listener.clicks, (std::vector<Click>{*row.press, release}));
        } else {
            EXPECT_TRUE(listener.clicks.empty());
        }
    }

    SendLeave(*map_);
    EXPECT_TRUE(Marked(&CoordButton::hover).empty());
    EXPECT_EQ(map_->toolTip(), "");
}

TEST_F(CoordButtonImageTest, ATipReplacesTheNameAsTooltipUntilItIsEmptied) {
    map_->SetButtonTip("first", 1); // A, not E
    SendMouse(*map_, QEvent::MouseMove, {5, 5});
    EXPECT_EQ(map_->toolTip(), "first");
    SendMouse(*map_, QEvent::MouseMove, {75, 5});
    EXPECT_EQ(map_->toolTip(), "E");

    map_->SetButtonTip("", 1);
    SendMouse(*map_, QEvent::MouseMove, {5, 5});
    EXPECT_EQ(map_->toolTip(), "A");
}

TEST_F(CoordButtonImageTest, APressAndAReleaseOnDifferentKeysRaiseOnlyThePress) {
    RecordingListener listener;
    map_->SetClickListener(&listener);
    const QPoint onA{5, 5};
    const QPoint onB{15, 5};
    const QPoint offKeys{25, 5};

    Press(onA);
    Release(onB);
    EXPECT_EQ(listener.clicks, (std::vector<Click>{{1, "A", 0, kKeyStateLeftButton, onA}}));
    EXPECT_EQ(Marked(&CoordButton::pressed), (std::set<QString>{"A"}));

    // A keeps its press until a release lands on it, whatever was pressed
    // in between.
    listener.clicks.clear();
    Press(onB);
    Release(offKeys);
    Release(onA);
    EXPECT_EQ(listener.clicks,
              (std::vector<Click>{{2, "B", 0, kKeyStateLeftButton, onB}, {1, "A", 1, 0, onA}}));
    EXPECT_EQ(Marked(&CoordButton::pressed), (std::set<QString>{"B"}));

    // A release on a key that is not pressed raises nothing.
    listener.clicks.clear();
    Release(onA);
    EXPECT_TRUE(listener.clicks.empty());

    // Other buttons do nothing.
    SendMouse(*map_, QEvent::MouseButtonPress, onA, Qt::RightButton);
    SendMouse(*map_, QEvent::MouseButtonRelease, onB, Qt::RightButton);
    EXPECT_TRUE(listener.clicks.empty());
}

TEST_F(CoordButtonImageTest, TheClickReportsModifierKeys) {
    RecordingListener listener;
    map_->SetClickListener(&listener);
    Press({5, 5}, Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_EQ(listener.clicks.size(), 1u);
    EXPECT_EQ(listener.clicks[0].flags, kKeyStateLeftButton | kKeyStateShift | kKeyStateControl);
}

// A press on B while A is checked, under each selection mode and listener.
TEST_F(CoordButtonImageTest, SelectionModesApplyToPressesTheListenerLeaves) {
    constexpr int kNoListener = -1;
    const struct {
        qint32 mode;
        int answer;
        std::set<QString> afterOnePress;
        std::set<QString> afterTwoPresses;
    } rows[] = {
        {0, kNoListener, {"A"}, {"A"}}, {0, 0, {"A"}, {"A"}},  {1, kNoListener, {"B"}, {"B"}},
        {1, 0, {"B"}, {"B"}},           {1, 1, {"A"}, {"A"}},  {2, kNoListener, {"A", "B"}, {"A"}},
        {2, 0, {"A", "B"}, {"A"}},      {2, -5, {"A"}, {"A"}}, {3, 0, {"A"}, {"A"}},
    };
    const QPoint onB{15, 5};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << row.mode << ", answer " << row.answer);
        RecordingListener listener;
        listener.answer = row.answer;
        map_->SetClickListener(row.answer == kNoListener ? nullptr : &listener);
        map_->SetSelectionMode(row.mode);
        map_->SetButtonChecked(CoordButtonImage::kAllButtons, false);
        map_->SetButtonChecked(1, true);

        Press(onB);
        Release(onB); // a release never changes a mark
        EXPECT_EQ(Marked(&CoordButton::checked), row.afterOnePress);
        Press(onB);
        Release(onB);
        EXPECT_EQ(Marked(&CoordButton::checked), row.afterTwoPresses);
    }
}

TEST_F(CoordButtonImageTest, HostOperationsActOnTheFirstKeyOfAnIdOrOnAll) {
    map_->SetButtonChecked(1, true);
    EXPECT_EQ(Marked(&CoordButton::checked), (std::set<QString>{"A"}));
    map_->ToggleButtonChecked(1);
    EXPECT_TRUE(Marked(&CoordButton::checked).empty());

    map_->SetButtonChecked(CoordButtonImage::kAllButtons, true);
    EXPECT_EQ(Marked(&CoordButton::checked).size(), 8u);
    map_->ToggleButtonChecked(2);
    EXPECT_EQ(Marked(&CoordButton::checked).size(), 7u);
    map_->ToggleButtonChecked(CoordButtonImage::kAllButtons);
    EXPECT_EQ(Marked(&CoordButton::checked), (std::set<QString>{"B"}));

    map_->SetButtonTip("all", CoordButtonImage::kAllButtons);
    map_->SetButtonTip("one", 1);
    for (const CoordButton& key : map_->Buttons())
        EXPECT_EQ(key.tip, key.name == "A" ? "one" : "all") << key.name.toStdString();

    // An id no key has changes nothing.
    const std::vector<CoordButton> before = map_->Buttons();
    map_->SetButtonChecked(99, true);
    map_->ToggleButtonChecked(99);
    map_->SetButtonTip("none", 99);
    EXPECT_EQ(map_->Buttons(), before);
}

TEST_F(CoordButtonImageTest, GetButtonCopiesTheFirstKeyOfAnId) {
    map_->SetButtonTip("tip", 4);
    map_->SetButtonChecked(4, true);
    SendMouse(*map_, QEvent::MouseMove, {45, 15});
    Press({45, 15}); // goes to C, the first key there

    CoordButton copy;
    ASSERT_TRUE(map_->GetButton(4, &copy));
    EXPECT_EQ(copy, Key("D"));
    EXPECT_EQ(copy.va, 12);
    EXPECT_EQ(copy.tip, "tip");
    EXPECT_TRUE(copy.checked && copy.hover && !copy.pressed);
    EXPECT_EQ(copy.rect, (CoordRect{40, 10, 60, 30}));

    // A copy: changing it leaves the map's key alone.
    copy.checked = false;
    copy.name = "changed";
    EXPECT_TRUE(Key("D").checked);
    EXPECT_EQ(Key("D").name, "D");

    ASSERT_TRUE(map_->GetButton(1, &copy));
    EXPECT_EQ(copy.name, "A");
    EXPECT_TRUE(map_->GetButton(3, nullptr));
    EXPECT_FALSE(map_->GetButton(99, &copy));
    EXPECT_EQ(copy.name, "A") << "a failed lookup leaves the copy alone";
    EXPECT_FALSE(map_->GetButton(CoordButtonImage::kAllButtons, &copy));
}

TEST_F(CoordButtonImageTest, DrawsFillsThenBackgroundThenHoverThenCheckedLooks) {
    // Without a background the key fills show: G opaque green, H invisible.
    QImage image = Render(*map_);
    EXPECT_EQ(PixelAt(image, {5, 35}), QColor(0, 255, 0));
    EXPECT_EQ(PixelAt(image, {25, 35}).alpha(), 0);
    EXPECT_EQ(PixelAt(image, {15, 35}).alpha(), 0);

    map_->setProperty("bg", "main:kb_bg_png");
    map_->setProperty("chking", "main:kb_hover_png");
    map_->setProperty("chked", "main:kb_checked_png");
    SendMouse(*map_, QEvent::MouseMove, {45, 15}); // C and D hovered
    map_->SetButtonChecked(4, true);               // D checked
    map_->SetButtonChecked(2, true);               // B checked, not hovered
    image = Render(*map_);
    const struct {
        QPoint at;
        QColor color;
    } rows[] = {
        {{5, 35}, kKeyboardBg},       // the background covers G's fill
        {{5, 5}, kKeyboardBg},        // A: nothing
        {{15, 5}, kKeyboardChecked},  // B: checked
        {{35, 5}, kKeyboardHover},    // C: hovered
        {{45, 15}, kKeyboardChecked}, // C and D: D's checked look on top
        {{59, 29}, kKeyboardChecked}, // D's last pixel
        {{60, 29}, kKeyboardBg},      // right of D
        {{99, 49}, kKeyboardBg},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.at));
        EXPECT_EQ(PixelAt(image, row.at), row.color);
    }
}

} // namespace
} // namespace keywright::widgets::test
