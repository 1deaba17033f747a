#include "ui/Skin.h"

#include "UiFixture.h"
#include "ui/Timeline.h"
#include "ui/UiDefinition.h"

#include <QImage>
#include <QPainter>

namespace keywright::ui::test {
namespace {

// The example strip: four frames, red, green, blue, white; its @2x twin has
// the same colours with a black top-left pixel in each frame.
const QColor kFrames[] = {Qt::red, Qt::green, Qt::blue, Qt::white};

// `skin` drawn in `state` into a 12 x 12 target at device pixel ratio
// `ratio`, on grey.
QImage Drawn(const Skin& skin, int state, qreal ratio = 1.0) {
    QImage canvas(QSize(12, 12) * ratio, QImage::Format_ARGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::gray);
    QPainter painter(&canvas);
    skin.Draw(painter, QRectF(0, 0, 12, 12), state);
    return canvas;
}

TEST_F(ToolkitTest, ASkinDrawsTheFrameOfItsState) {
    ASSERT_TRUE(toolkit.LoadDefinition("uidef:xml_init"));
    const Skin skin = toolkit.FindSkin("skin_strip");
    ASSERT_FALSE(skin.IsNull());
    EXPECT_EQ(skin.States(), 4);
    EXPECT_EQ(skin.Size(), QSize(4, 4));
    for (int state = 0; state < 4; ++state) {
        SCOPED_TRACE(state);
        const QImage image = Drawn(skin, state);
        EXPECT_EQ(image.pixelColor(0, 0), kFrames[state]);
        EXPECT_EQ(image.pixelColor(11, 11), kFrames[state]); // stretched over the target
    }
    for (int state : {-1, 4, 100}) {
        SCOPED_TRACE(state);
        EXPECT_EQ(Drawn(skin, state).pixelColor(5, 5), QColor(Qt::gray));
    }
}

TEST_F(ToolkitTest, AtDoubleScaleASkinUsesTheSharperImage) {
    ASSERT_TRUE(toolkit.LoadDefinition("uidef:xml_init"));
    const Skin skin = toolkit.FindSkin("skin_strip", 2.0);
    ASSERT_FALSE(skin.IsNull());
    EXPECT_EQ(skin.Size(), QSize(4, 4)); // the same size on screen
    EXPECT_EQ(skin.FrameRect(1), QRect(8, 0, 8, 8));
    // At 200 % a target of 12 x 12 has 24 x 24 pixels; frame 2's marker pixel
    // lands in the top-left 3 x 3 device pixels (8 -> 24 scales by 3).
    const QImage image = Drawn(skin, 2, 2.0);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::blue));
    // At 100 % the plain image, without the markers.
    EXPECT_EQ(Drawn(toolkit.FindSkin("skin_strip", 1.0), 2).pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(ToolkitTest, MissingSkinsAndImagesAreNull) {
    ASSERT_TRUE(toolkit.LoadDefinition("uidef:xml_init"));
    EXPECT_TRUE(toolkit.FindSkin("no_such_skin").IsNull());
    EXPECT_TRUE(toolkit.Image("img:no_such_png").isNull());
    EXPECT_TRUE(toolkit.Image("LAYOUT:listed_but_missing").isNull());
    EXPECT_TRUE(Skin(QPixmap(8, 2), 0).IsNull());
    EXPECT_FALSE(toolkit.Icon("ICON:ICON_LOGO").isNull());
    EXPECT_TRUE(toolkit.Icon("ICON:ICON_NONE").isNull());
    // A skin of one state by default.
    const Skin logo = toolkit.FindSkin("skin_logo");
    EXPECT_EQ(logo.States(), 1);
    EXPECT_EQ(logo.Size(), QSize(16, 16));
}

TEST(UiDefinition, ReadsStringsColoursSkinsAndTheStyleSheet) {
    UiDefinition definition;
    QString error;
    ASSERT_TRUE(definition.Load(R"(<uidef>
        <string><item name="tag" value="Keywright-1"/><item name="path" value="a/b.xml"/></string>
        <color><item name="accent" value="#ff5a1f"/><item name="shade" value="#80202225"/></color>
        <skin><item name="s" src="img:x" states="3"/><item name="one" src="img:y"/></skin>
        <style src="style:theme_qss"/></uidef>)",
                                &error))
        << error.toStdString();
    EXPECT_EQ(definition.String(0), "Keywright-1");
    EXPECT_EQ(definition.String(1), "a/b.xml");
    EXPECT_EQ(definition.String(2), "");
    EXPECT_EQ(definition.String(-1), "");
    EXPECT_EQ(definition.String("path"), "a/b.xml");
    EXPECT_EQ(definition.String("nope"), "");
    EXPECT_EQ(definition.Expand("@string/path"), "a/b.xml");
    EXPECT_EQ(definition.Expand("@string/nope"), "@string/nope");
    EXPECT_EQ(definition.Expand("plain"), "plain");
    EXPECT_EQ(definition.Color("accent"), QColor(0xff, 0x5a, 0x1f));
    EXPECT_EQ(definition.Color("shade").alpha(), 0x80);
    EXPECT_FALSE(definition.Color("nope").isValid());
    ASSERT_NE(definition.Skin("s"), nullptr);
    EXPECT_EQ(definition.Skin("s")->image, "img:x");
    EXPECT_EQ(definition.Skin("s")->states, 3);
    EXPECT_EQ(definition.Skin("one")->states, 1);
    EXPECT_EQ(definition.Skin("nope"), nullptr);
    EXPECT_EQ(definition.StyleSheet(), "style:theme_qss");
}

TEST(UiDefinition, RejectsABrokenDefinitionAndStaysEmpty) {
    const struct {
        const char* what;
        const char* xml;
    } cases[] = {
        {"not well-formed", "<uidef><string></uidef>"},
        {"other top element", "<soui/>"},
        {"unknown section", "<uidef><font/></uidef>"},
        {"entry without name", R"(<uidef><string><item value="x"/></string></uidef>)"},
        {"entry of another kind", R"(<uidef><string><s name="a" value="x"/></string></uidef>)"},
        {"string twice", R"(<uidef><string><item name="a"/><item name="a"/></string></uidef>)"},
        {"bad colour", R"(<uidef><color><item name="a" value="#ggg"/></color></uidef>)"},
        {"colour twice",
         R"(<uidef><color><item name="a" value="red"/><item name="a" value="red"/></color></uidef>)"},
        {"zero states", R"(<uidef><skin><item name="a" src="i:x" states="0"/></skin></uidef>)"},
        {"states not a number",
         R"(<uidef><skin><item name="a" src="i:x" states="four"/></skin></uidef>)"},
        {"skin twice",
         R"(<uidef><skin><item name="a" src="i:x"/><item name="a" src="i:y"/></skin></uidef>)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UiDefinition definition;
        ASSERT_TRUE(
            definition.Load(R"(<uidef><string><item name="a" value="x"/></string></uidef>)"));
        QString error;
        EXPECT_FALSE(definition.Load(c.xml, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(definition.StringCount(), 0);
    }
}

TEST_F(ToolkitTest, LoadingTheDefinitionAppliesItsStyleSheet) {
    qApp->setStyleSheet(QString());
    ASSERT_TRUE(toolkit.LoadDefinition("uidef:xml_init"));
    EXPECT_TRUE(qApp->styleSheet().contains("main_root"));
    EXPECT_EQ(toolkit.Definition().String(0), "Keywright-test-instance");
    EXPECT_EQ(ExpandString("@string/positions"), "uires/xml/keyboard_positions.xml");
    QString error;
    EXPECT_FALSE(toolkit.LoadDefinition("uidef:none", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(toolkit.Definition().String(0), "Keywright-test-instance"); // unchanged
    qApp->setStyleSheet(QString());
}

// A widget's part driven by the timeline: counts its frames, and may act on
// the timeline from inside a tick.
class Animated : public Timeline::IHandler {
  public:
    void OnNextFrame() override {
        ++frames;
        if (onFrame)
            onFrame();
    }
    int frames = 0;
    std::function<void()> onFrame;
};

TEST(Timeline, EachTickDrivesEveryRegisteredHandlerOnce) {
    Timeline timeline;
    Animated a, b, c;
    timeline.Register(&a);
    timeline.Register(&b);
    timeline.Register(&a); // once only
    EXPECT_TRUE(timeline.IsRunning());
    timeline.Tick();
    timeline.Tick();
    EXPECT_EQ(a.frames, 2);
    EXPECT_EQ(b.frames, 2);
    EXPECT_EQ(c.frames, 0);

    // A handler that stops another and itself during a tick; one registered
    // during a tick waits for the next.
    a.onFrame = [&] {
        timeline.Unregister(&b);
        timeline.Unregister(&a);
        timeline.Register(&c);
    };
    timeline.Tick();
    EXPECT_EQ(a.frames, 3);
    EXPECT_EQ(b.frames, 2);
    EXPECT_EQ(c.frames, 0);
    timeline.Tick();
    EXPECT_EQ(c.frames, 1);
    timeline.Unregister(&c);
    EXPECT_FALSE(timeline.IsRunning());
}

TEST(Timeline, TicksEveryTenMillisecondsWhileHandlersAreRegistered) {
    Timeline timeline;
    Animated handler;
    timeline.Register(&handler);
    // A tick each 10 ms; a loaded machine gives fewer, never none.
    ASSERT_TRUE(WaitFor([&] { return handler.frames >= 3; }));
    timeline.Unregister(&handler);
    // The timer stops with the last handler, so nothing can tick it again.
    EXPECT_FALSE(timeline.IsRunning());
    const int frames = handler.frames;
    QCoreApplication::processEvents();
    EXPECT_EQ(handler.frames, frames);
}

TEST_F(ToolkitTest, WidgetsFindTheToolkitsTimeline) {
    EXPECT_EQ(SharedTimeline(), &toolkit.AnimationTimeline());
}

} // namespace
} // namespace keywright::ui::test
