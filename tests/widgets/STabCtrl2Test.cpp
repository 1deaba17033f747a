#include "widgets/STabCtrl2.h"

#include "WidgetTestPackage.h"
#include "support/LogCheck.h"
#include "ui/HostWindow.h"
#include "ui/WindowTree.h"

#include <QTest>
#include <memory>
#include <string>
#include <vector>

namespace keywright::widgets::test {
namespace {

struct LookRun {
    std::string look;
    int count;
    friend bool operator==(const LookRun&, const LookRun&) = default;
};

std::string ToText(const std::vector<LookRun>& runs) {
    std::string text;
    for (const LookRun& run : runs)
        text += run.look + "x" + std::to_string(run.count) + " ";
    return text;
}

void Append(std::vector<LookRun>& runs, const std::string& look) {
    if (!runs.empty() && runs.back().look == look)
        ++runs.back().count;
    else
        runs.push_back({look, 1});
}

// "i2": in-animation frame 2, "o1": out-animation frame 1, "s5": the static
// icon 5, "-": nothing.
std::string Describe(const STabCtrl2::IconLook& look) {
    switch (look.source) {
    case STabCtrl2::IconLook::None:
        return "-";
    case STabCtrl2::IconLook::Icon:
        return "s" + std::to_string(look.state);
    case STabCtrl2::IconLook::In:
        return "i" + std::to_string(look.state);
    case STabCtrl2::IconLook::Out:
        return "o" + std::to_string(look.state);
    }
    return "?";
}

class STabCtrl2Test : public WidgetTest {
  protected:
    // Pages: 0 with both animations (in 4 frames, out 3), 1 with only an
    // out-animation, 2 with the static icon 5, and 3 a plain page.
    void SetUp() override {
        WidgetTest::SetUp();
        tabs_ = std::make_unique<STabCtrl2>();
        tabs_->resize(400, 120);
        tabs_->setProperty("iconSkin", SkinName(kTabIcons));
        auto* both = new STabPage2;
        both->setProperty("ani_in", SkinName(kAnimIn));
        both->setProperty("ani_out", SkinName(kAnimOut));
        auto* outOnly = new STabPage2;
        outOnly->setProperty("ani_out", SkinName(kAnimOut));
        auto* fifth = new STabPage2;
        fifth->setProperty("iconIndex", QStringLiteral("0x5"));
        tabs_->addTab(both, "Both");
        tabs_->addTab(outOnly, "Out");
        tabs_->addTab(fifth, "Fifth");
        tabs_->addTab(new ui::TabPage, "Plain");
    }

    // The pointer moves over header `index` of the strip (-1: out of it).
    void PointAt(int index) {
        ui::TabBar& bar = *tabs_->Headers();
        if (index < 0)
            SendLeave(bar);
        else
            SendMouse(bar, QEvent::MouseMove, bar.tabRect(index).center());
    }

    // Ticks the timeline `n` times, recording each header's icon after each.
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            toolkit.AnimationTimeline().Tick();
            for (int h = 0; h < 4; ++h)
                Append(seen_[h], Describe(tabs_->HeaderIcon(h)));
        }
    }

    std::unique_ptr<STabCtrl2> tabs_;
    std::vector<LookRun> seen_[4];
};

TEST_F(STabCtrl2Test, IsTheClassTabctrl2WithPage2Pages) {
    EXPECT_EQ(ui::ClassNameOf(tabs_.get()), "tabctrl2");
    EXPECT_TRUE(ui::IsClass(tabs_.get(), "tabctrl"));
    EXPECT_TRUE(ui::IsClass(tabs_.get(), "window"));
    EXPECT_EQ(ui::ClassNameOf(tabs_->widget(0)), "page2");
    EXPECT_TRUE(ui::IsClass(tabs_->widget(0), "page"));
    EXPECT_NE(tabs_->Page2(0), nullptr);
    EXPECT_EQ(tabs_->Page2(3), nullptr);
    EXPECT_EQ(tabs_->Page2(4), nullptr);
    EXPECT_TRUE(toolkit.AnimationTimeline().IsRegistered(tabs_.get()));
    const STabCtrl2* address = tabs_.get();
    tabs_.reset();
    EXPECT_FALSE(toolkit.AnimationTimeline().IsRegistered(address));
}

TEST_F(STabCtrl2Test, HeaderAnimationsFrameByFrame) {
    // Each frame lasts 50 ms, five ticks.
    PointAt(0);
    Tick(22);
    PointAt(1); // leaves 0, enters 1
    Tick(12);
    PointAt(-1); // leaves 1
    Tick(6);

    const std::vector<LookRun> expected[4] = {
        // In-animation, holding its last frame; out-animation frames 0 to
        // n - 2; then the static icon.
        {{"i0", 4}, {"i1", 5}, {"i2", 5}, {"i3", 8}, {"o0", 4}, {"o1", 5}, {"s0", 9}},
        // No in-animation: the static icon on hover; the out-animation on leave.
        {{"s1", 34}, {"o0", 4}, {"o1", 2}},
        {{"s5", 40}},
        {{"s3", 40}},
    };
    for (int h = 0; h < 4; ++h) {
        SCOPED_TRACE(testing::Message() << "header " << h);
        EXPECT_EQ(ToText(seen_[h]), ToText(expected[h]));
    }
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(tabs_->Page2(p)->AnimationState(),
                  p == 1 ? STabPage2::State::AnimatingOut : STabPage2::State::Still)
            << "page " << p;
}

TEST_F(STabCtrl2Test, MovingQuicklyRestartsEachHeadersAnimation) {
    PointAt(0);
    Tick(12);
    ASSERT_EQ(Describe(tabs_->HeaderIcon(0)), "i2");
    PointAt(1);
    Tick(3);
    PointAt(0); // back before the out-animation ends
    EXPECT_EQ(tabs_->Page2(0)->AnimationState(), STabPage2::State::AnimatingIn);
    EXPECT_EQ(tabs_->Page2(0)->Frame(), 0);
    EXPECT_EQ(tabs_->Page2(0)->Countdown(), STabCtrl2::kFrameIntervalMs);
    EXPECT_EQ(tabs_->Page2(1)->AnimationState(), STabPage2::State::AnimatingOut);
    EXPECT_EQ(tabs_->Page2(1)->Frame(), 0);
}

TEST_F(STabCtrl2Test, SelectingAPageLeavesTheAnimationsAlone) {
    PointAt(0);
    Tick(6);
    tabs_->SetCurSel(2);
    EXPECT_EQ(tabs_->Page2(0)->AnimationState(), STabPage2::State::AnimatingIn);
    EXPECT_EQ(tabs_->Page2(0)->Frame(), 1);
    EXPECT_EQ(tabs_->Page2(2)->AnimationState(), STabPage2::State::Still);
}

TEST_F(STabCtrl2Test, TheHostStillReceivesTheHeaderEvents) {
    ui::HostWindow host("LAYOUT:none");
    tabs_->setParent(&host);
    tabs_->setObjectName("tab_macro_mode_selection");
    std::vector<int> hovered;
    host.OnEvent(ui::kTabItemHoverEvent, "tab_macro_mode_selection",
                 [&](ui::Event& e) { hovered.push_back(e.value); });
    ui::SetId(tabs_.get(), 65564);
    host.OnEvent(ui::kTabItemHoverEvent, 65564, [&](ui::Event& e) { hovered.push_back(e.value); });
    PointAt(2);
    EXPECT_EQ(hovered, std::vector<int>{2});
    tabs_->setParent(nullptr);
}

TEST_F(STabCtrl2Test, WithoutAnIconSkinThereIsNoIconArea) {
    tabs_->setProperty("iconSkin", QString());
    PointAt(0);
    EXPECT_EQ(tabs_->IconRect(0), QRect());
    EXPECT_EQ(Describe(tabs_->HeaderIcon(0)), "i0") << "the animation still runs";
    EXPECT_EQ(Describe(tabs_->HeaderIcon(1)), "-");
}

TEST_F(STabCtrl2Test, OffsetsAreDynamicPropertiesAndNumbers) {
    keywright::test::ExpectLog bad("attribute \"text-y\" cannot be \"bad\"");
    tabs_->setProperty("icon-x", 4);
    tabs_->setProperty("icon-y", QStringLiteral("0x3"));
    tabs_->setProperty("text-x", QStringLiteral("30"));
    tabs_->setProperty("text-y", QStringLiteral("bad"));
    // Dynamic properties of others (a style sheet's, a layout's "look") are
    // none of its business.
    tabs_->setProperty("look", QStringLiteral("section"));
    tabs_->setProperty("_q_styleSheetWidgetFont", QStringLiteral("Sans Serif,9"));
    EXPECT_EQ(tabs_->IconOffset(), QPoint(4, 3));
    EXPECT_EQ(tabs_->TextOffset(), QPoint(30, -1));
    EXPECT_EQ(bad.Seen(), 1u);
    const QRect header = tabs_->Headers()->tabRect(1);
    EXPECT_EQ(tabs_->IconRect(1), QRect(header.topLeft() + QPoint(4, 3), QSize(8, 8)));
}

TEST_F(STabCtrl2Test, DrawsTheStripBackgroundThenSkinnedHeadersAndIcons) {
    tabs_->setProperty("tabHeadBgSkin", SkinName(kHeadBg));
    tabs_->setProperty("tabSkin", SkinName(kTab));
    tabs_->setProperty("icon-x", 2);
    tabs_->setProperty("icon-y", 3);
    tabs_->setProperty("text-x", 20); // keeps the titles off the icons
    tabs_->SetCurSel(0);
    // Shown, so that the control lays out its header strip. The pages are
    // still, so the ticks of the running timeline change nothing meanwhile.
    tabs_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tabs_.get()));
    PointAt(1);
    Tick(5); // page 1 has no in-animation: its static icon
    PointAt(2);
    Tick(5); // page 2 has none either

    const QImage image = Render(*tabs_);
    const QRect bar = tabs_->Headers()->geometry();
    const auto header = [&](int i) {
        return tabs_->Headers()->tabRect(i).translated(bar.topLeft());
    };
    const struct {
        const char* what;
        QPoint at;
        QColor color;
    } rows[] = {
        {"current header", header(0).bottomRight() - QPoint(1, 1), FrameColor(kTab, 2)},
        {"hovered header", header(2).bottomRight() - QPoint(1, 1), FrameColor(kTab, 1)},
        {"plain header", header(1).bottomRight() - QPoint(1, 1), FrameColor(kTab, 0)},
        {"icon of header 0", header(0).topLeft() + QPoint(6, 7), FrameColor(kTabIcons, 0)},
        {"icon of header 2", header(2).topLeft() + QPoint(6, 7), FrameColor(kTabIcons, 5)},
        {"strip after the headers", QPoint(tabs_->width() - 3, bar.center().y()),
         FrameColor(kHeadBg, 0)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(PixelAt(image, row.at), row.color);
    }
}

} // namespace
} // namespace keywright::widgets::test
