#include "widgets/SAnimImg.h"

#include "WidgetTestPackage.h"
#include "support/LogCheck.h"
#include "ui/WindowTree.h"

#include <memory>
#include <string>
#include <vector>

namespace keywright::widgets::test {
namespace {

// A script step: the pointer comes or goes, or the timeline ticks n times.
struct Step {
    enum Kind { Hover, Leave, Ticks } kind;
    int ticks = 0;
};
Step H() {
    return {Step::Hover};
}
Step L() {
    return {Step::Leave};
}
Step T(int n) {
    return {Step::Ticks, n};
}

// `count` ticks in a row showing the same thing: "<state><skin><frame>",
// state 0 still, 1 in, 2 out; skin "i" the in-animation, "o" the out one.
struct LookRun {
    std::string look;
    int count;
};

std::string Describe(const SAnimImg& image) {
    const SAnimImg::Look look = image.CurrentLook();
    std::string text = std::to_string(static_cast<int>(image.CurrentState()));
    text += look.source == SAnimImg::Look::In    ? "i"
            : look.source == SAnimImg::Look::Out ? "o"
                                                 : "-";
    return text + std::to_string(look.state);
}

std::vector<LookRun> Compress(const std::vector<std::string>& looks) {
    std::vector<LookRun> runs;
    for (const std::string& look : looks) {
        if (!runs.empty() && runs.back().look == look)
            ++runs.back().count;
        else
            runs.push_back({look, 1});
    }
    return runs;
}

std::string ToText(const std::vector<LookRun>& runs) {
    std::string text;
    for (const LookRun& run : runs)
        text += run.look + "x" + std::to_string(run.count) + " ";
    return text;
}

class SAnimImgTest : public WidgetTest {
  protected:
    // An image with the test skins (in-animation 4 frames, out-animation 3)
    // and 20 ms per frame, so each frame lasts two ticks.
    std::unique_ptr<SAnimImg> Make(int autorun, bool withOut = true) {
        auto image = std::make_unique<SAnimImg>();
        image->setProperty("ani_in", SkinName(kAnimIn));
        if (withOut)
            image->setProperty("ani_out", SkinName(kAnimOut));
        image->setProperty("interval", QStringLiteral("0x14"));
        image->setProperty("autorun", autorun);
        image->resize(kSkins[kAnimIn].frame);
        image->OnLoaded();
        return image;
    }

    // Runs `script` through the toolkit's timeline and returns what each tick
    // left on show.
    std::vector<LookRun> Play(SAnimImg& image, const std::vector<Step>& script) {
        std::vector<std::string> looks;
        for (const Step& step : script) {
            switch (step.kind) {
            case Step::Hover:
                SendEnter(image);
                break;
            case Step::Leave:
                SendLeave(image);
                break;
            case Step::Ticks:
                for (int i = 0; i < step.ticks; ++i) {
                    toolkit.AnimationTimeline().Tick();
                    looks.push_back(Describe(image));
                }
                break;
            }
        }
        return Compress(looks);
    }
};

TEST_F(SAnimImgTest, FrameSequences) {
    const struct {
        const char* what;
        int autorun;
        bool withOut;
        std::vector<Step> script;
        std::vector<LookRun> expected;
    } rows[] = {
        {"autorun -1 waits for the pointer, holds the last frame, plays out after leave",
         -1,
         true,
         {T(3), H(), T(12), L(), T(10)},
         {{"0i0", 3},
          {"1i0", 1}, // frame 0 shows from the hover on: one tick after it
          {"1i1", 2},
          {"1i2", 2},
          {"1i3", 8}, // held while the pointer stays, and until the frame ends
          {"2o0", 2},
          {"2o1", 2},
          {"2o2", 2},
          {"0i0", 3}}},
        {"autorun -1, the pointer leaves early: the in-animation ends first",
         -1,
         true,
         {H(), T(2), L(), T(12)},
         {{"1i0", 1},
          {"1i1", 2},
          {"1i2", 2},
          {"1i3", 2},
          {"2o0", 2},
          {"2o1", 2},
          {"2o2", 2},
          {"0i0", 1}}},
        {"autorun -1 without out-animation holds the last frame after leave",
         -1,
         false,
         {H(), T(8), L(), T(10)},
         {{"1i0", 1}, {"1i1", 2}, {"1i2", 2}, {"1i3", 13}}},
        {"autorun 0 loops from the first tick",
         0,
         true,
         {T(17)},
         {{"1i0", 2},
          {"1i1", 2},
          {"1i2", 2},
          {"1i3", 2},
          {"1i0", 2},
          {"1i1", 2},
          {"1i2", 2},
          {"1i3", 2},
          {"1i0", 1}}},
        {"autorun 3 waits 3 s, plays once, shows frame 0 and waits again",
         3,
         true,
         {T(299 + 8 + 299 + 1)},
         {{"0i0", 299}, {"1i0", 2}, {"1i1", 2}, {"1i2", 2}, {"1i3", 2}, {"0i0", 299}, {"1i0", 1}}},
        {"autorun 3 plays at once on hover and keeps its timed start",
         3,
         true,
         {T(10), H(), T(8)},
         {{"0i0", 10}, {"1i0", 1}, {"1i1", 2}, {"1i2", 2}, {"1i3", 2}, {"0i0", 1}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::unique_ptr<SAnimImg> image = Make(row.autorun, row.withOut);
        const std::vector<LookRun> runs = Play(*image, row.script);
        EXPECT_EQ(ToText(runs), ToText(row.expected));
    }
}

TEST_F(SAnimImgTest, IsOnTheTimelineWhileItLives) {
    auto image = Make(-1);
    const SAnimImg* address = image.get();
    EXPECT_TRUE(toolkit.AnimationTimeline().IsRegistered(address));
    image.reset();
    EXPECT_FALSE(toolkit.AnimationTimeline().IsRegistered(address));
    toolkit.AnimationTimeline().Tick(); // nothing left to call
}

TEST_F(SAnimImgTest, AttributesAndDefaults) {
    keywright::test::ExpectLog soon("attribute \"interval\" cannot be \"soon\"");
    SAnimImg image;
    EXPECT_EQ(ui::ClassNameOf(&image), "anmimg");
    EXPECT_TRUE(ui::IsClass(&image, "window"));
    EXPECT_EQ(image.Interval(), 50);
    EXPECT_EQ(image.Autorun(), -1);
    EXPECT_EQ(image.sizeHint(), QSize(0, 0));
    EXPECT_EQ(image.CurrentLook(), SAnimImg::Look{});

    image.setProperty("ani_in", SkinName(kAnimIn));
    EXPECT_EQ(image.sizeHint(), kSkins[kAnimIn].frame);
    image.setProperty("autorun", QStringLiteral("2"));
    image.setProperty("interval", QStringLiteral("soon"));
    EXPECT_EQ(image.Autorun(), 2);
    EXPECT_EQ(image.Interval(), 50);
    image.OnLoaded();
    EXPECT_TRUE(image.Waiting());
}

TEST_F(SAnimImgTest, WithoutAnInAnimationNothingPlays) {
    SAnimImg image;
    image.setProperty("ani_out", SkinName(kAnimOut));
    image.OnLoaded();
    SendEnter(image);
    for (int i = 0; i < 20; ++i)
        toolkit.AnimationTimeline().Tick();
    EXPECT_EQ(image.CurrentState(), SAnimImg::State::PlayingIn);
    EXPECT_EQ(image.Frame(), 0);
    EXPECT_EQ(image.CurrentLook(), SAnimImg::Look{});
}

TEST_F(SAnimImgTest, DrawsTheFrameOnShow) {
    auto image = Make(-1);
    EXPECT_EQ(PixelAt(Render(*image), {5, 5}), FrameColor(kAnimIn, 0));
    Play(*image, {H(), T(5)});
    EXPECT_EQ(PixelAt(Render(*image), {5, 5}), FrameColor(kAnimIn, 2));
    Play(*image, {L(), T(6)});
    ASSERT_EQ(image->CurrentState(), SAnimImg::State::PlayingOut);
    EXPECT_EQ(PixelAt(Render(*image), {5, 5}), FrameColor(kAnimOut, image->Frame()));
}

} // namespace
} // namespace keywright::widgets::test
