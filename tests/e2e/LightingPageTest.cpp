// The lighting page: what each control stores in the lighting tables and
// sends to the keyboard.

#include "ProgramFixture.h"
#include "ui/TabCtrl.h"

#include <QTest>

namespace keywright::app::test {
namespace {

// A report of the main effect: index, brightness, speed, motion flag.
Bytes MainEffect(std::uint8_t effect, std::uint8_t brightness, std::uint8_t speed,
                 std::uint8_t motion) {
    return {0x07, 0xFF, 0xFF, effect, brightness, speed, motion, 0x00};
}

Bytes SideLight(std::uint8_t mode, std::uint8_t level) {
    return {0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, static_cast<std::uint8_t>(level << 4 | mode), 0x00};
}

// Choosing an effect shows its page, takes the page's values into the
// entry (which ones depends on the effect) and sends them. The layout's
// sliders stand at speed 2 and brightness 4 on every page.
TEST_F(ProgramTest, ChoosingAnEffectShowsItsPageAndSendsThePageValues) {
    const struct {
        const char* name;
        int effect;
        const char* loader; // radio checked before the choice; null: none
        int page;
        Bytes sent;
        LedEffectEntry stored;
    } cases[] = {
        // Effect 0 shows its stored brightness (1) and sends the stored entry.
        {"effect 0", 0, nullptr, 2, MainEffect(0, 1, 3, 0), {1, 3, 0, 0}},
        // Effect 1: brightness from its slider, loader choice from the radios;
        // only the centre one is motion.
        {"effect 1, centre", 1, "radio_loader_center_3", 3, MainEffect(1, 4, 3, 1), {4, 3, 0, 2}},
        {"effect 1, left", 1, "radio_loader_left_3", 3, MainEffect(1, 4, 3, 0), {4, 3, 0, 1}},
        {"effect 1, right", 1, "radio_loader_right_3", 3, MainEffect(1, 4, 3, 0), {4, 3, 0, 3}},
        {"effect 1, none", 1, nullptr, 3, MainEffect(1, 4, 3, 0), {4, 3, 0, 3}},
        // Effect 5 keeps the speed slider where it was (2), writes it into the
        // entry and shows the stored brightness (1).
        {"effect 5", 5, nullptr, 1, MainEffect(5, 1, 2, 0), {1, 2, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Every entry at brightness 1 and speed 3; effect 2 current.
        std::map<int, LedEffectEntry> entries;
        for (int i = 0; i < 20; ++i)
            entries[i] = {1, 3, 0, 0};
        folder.Write("ledeffect.xml", LedEffectFile(2, entries));
        StartRunning();
        if (c.loader != nullptr)
            Find<ui::RadioBox>(c.loader)->SetCheck(true);
        world->ClearReports(keyboard);

        Choose(Find<ui::ComboBox>("cbx_color_effect"), c.effect);
        EXPECT_EQ(Find<ui::TabCtrl>("tab_color_effect")->CurSel(), c.page);
        EXPECT_EQ(LightingSent(), std::vector<Bytes>{c.sent});
        // Only the entry shown and the current index are written; effect 2
        // took the page's speed at start.
        entries[2].speed = 2;
        entries[c.effect] = c.stored;
        program.reset();
        EXPECT_EQ(File("ledeffect.xml"), LedEffectFile(c.effect, entries));
    }
}

TEST_F(ProgramTest, ControlsWithoutAValueOfTheirOwnSendTheSelectedEffect) {
    folder.Write("ledeffect.xml", LedEffectFile(5));
    StartRunning();
    Find<ui::Slider>("bar_const_brightness_1")->SetValue(3);
    const Bytes effect5 = MainEffect(5, 3, 2, 0);
    for (const char* name : {"bar_general_speed_0", "bar_const_brightness_0", "bar_general_speed_3",
                             "radio_direction_left_0", "radio_direction_right_0"}) {
        SCOPED_TRACE(name);
        world->ClearReports(keyboard);
        if (auto* slider = Find<ui::Slider>(name)) {
            // Away from the end of its range, so the move moves.
            MoveSlider(slider, slider->Value() > 0 ? -1 : 1);
        } else {
            Find<ui::RadioBox>(name)->click();
        }
        QTRY_COMPARE_WITH_TIMEOUT(LightingSent(), std::vector<Bytes>{effect5}, 2000);
    }
}

TEST_F(ProgramTest, TheSideLabelFollowsTheModeNotTheSlider) {
    folder.Write("sidemodel.xml", SideModelFile(2, {4, 4, 5}));
    StartRunning();
    auto* label = Find<ui::Text>("text_side_brightness");
    auto* modes = Find<ui::ComboBox>("cbx_side_color_effect");
    EXPECT_EQ(label->text(), "Speed");
    Choose(modes, 3);
    EXPECT_EQ(label->text(), "Brightness");
    MoveSlider(Find<ui::Slider>("bar_side_brightness"), -2);
    EXPECT_EQ(label->text(), "Brightness");
    Choose(modes, 0);
    EXPECT_EQ(label->text(), "Speed");
}

TEST_F(ProgramTest, TheSideLevelGoesIntoTheHighNibbleAndTheFile) {
    folder.Write("sidemodel.xml", SideModelFile(4));
    StartRunning();
    auto* slider = Find<ui::Slider>("bar_side_brightness");
    EXPECT_EQ(slider->Value(), 7);
    world->ClearReports(keyboard);
    MoveSlider(slider, -1);
    QTRY_COMPARE_WITH_TIMEOUT(LightingSent(), std::vector<Bytes>{SideLight(4, 6)}, 2000);
    program.reset();
    EXPECT_EQ(File("sidemodel.xml"), SideModelFile(4, {4, 4, 4, 7, 6}));
}

// A level above 7 reads back as 0 at the next start: the slider never stores
// one, even where its range goes further.
TEST_F(ProgramTest, TheSideSliderNeverStoresALevelTheNextLoadDrops) {
    folder.Write("sidemodel.xml", SideModelFile(4));
    StartRunning();
    auto* slider = Find<ui::Slider>("bar_side_brightness");
    EXPECT_EQ(slider->maximum(), 7);
    slider->setMaximum(15);
    world->ClearReports(keyboard);
    MoveSlider(slider, 2); // to 9
    QTRY_COMPARE_WITH_TIMEOUT(LightingSent().size(), 1u, 2000);
    EXPECT_EQ(LightingSent().back(), SideLight(4, 7));
    program.reset();
    EXPECT_EQ(File("sidemodel.xml"), SideModelFile(4));
    // And the next start shows it.
    StartRunning();
    EXPECT_EQ(Find<ui::Slider>("bar_side_brightness")->Value(), 7);
}

// A drag makes many position events in a row. Each is stored at once; the
// commands keep their 100 ms spacing without the window waiting for it: a
// move that comes too soon is held back, and only the latest one is sent.
// The window's clock stands still here, so every move comes "too soon".
TEST_F(ProgramTest, ADragSendsTheLatestPositionWithoutWaitingOnEachMove) {
    ManualClock stopped;
    clock = &stopped;
    folder.Write("ledeffect.xml", LedEffectFile(5));
    StartRunning();
    auto* slider = Find<ui::Slider>("bar_const_brightness_1");
    ASSERT_EQ(slider->Value(), 4);
    world->ClearReports(keyboard);
    for (int i = 0; i < 4; ++i) {
        MoveSlider(slider, -1);
        // Every move is in the file as it happens.
        std::map<int, LedEffectEntry> entries;
        entries[5] = {static_cast<std::uint8_t>(3 - i), 2, 0, 0};
        EXPECT_EQ(File("ledeffect.xml"), LedEffectFile(5, entries));
    }
    EXPECT_TRUE(LightingSent().empty());
    const std::vector<Bytes> last{MainEffect(5, 0, 2, 0)};
    QTRY_COMPARE_WITH_TIMEOUT(LightingSent(), last, 2000);
    // A choice in the list is sent at once and replaces a held-back move.
    MoveSlider(slider, 1);
    EXPECT_TRUE(Window().HasHeldBackCommand());
    Choose(Find<ui::ComboBox>("cbx_color_effect"), 6);
    EXPECT_FALSE(Window().HasHeldBackCommand());
    const std::vector<Bytes> chosen{MainEffect(5, 0, 2, 0), MainEffect(6, 4, 2, 0)};
    EXPECT_EQ(LightingSent(), chosen);
}

} // namespace
} // namespace keywright::app::test
