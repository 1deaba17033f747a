#include "render_keyboard/KeyboardArt.h"

#include "render_keyboard/IconArt.h"
#include "render_keyboard/PositionsFile.h"
#include "render_keyboard/ThemeArt.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace keywright::art;

namespace {

// Fonts need a GUI application; the offscreen platform needs no display.
class GuiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[12] = "tools_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const kGui =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

class KeyboardPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        auto parsed = LoadPositions(KEYWRIGHT_POSITIONS_FILE);
        ASSERT_TRUE(parsed.file) << parsed.error;
        file_ = std::move(*parsed.file);
    }
    static PositionsFile file_;
};
PositionsFile KeyboardPictures::file_;

TEST_F(KeyboardPictures, HaveThePositionsFileSizeAtEachScale) {
    for (const KeyboardPicture& picture : keywright::art::KeyboardPictures()) {
        for (int scale : {1, 2}) {
            SCOPED_TRACE(std::string(picture.file) + " x" + std::to_string(scale));
            const QImage image = RenderKeyboard(file_, picture.look, scale);
            EXPECT_EQ(image.width(), file_.width * scale);
            EXPECT_EQ(image.height(), file_.height * scale);
        }
    }
}

// The keyboard map copies a key's rect out of a look picture: every key must
// look different there, or hovering or marking that key shows nothing.
TEST_F(KeyboardPictures, EveryLookChangesEveryKey) {
    const QImage normal = RenderKeyboard(file_, KeyLook::Normal, 1);
    for (KeyLook look : {KeyLook::Floating, KeyLook::Checked, KeyLook::Pressed}) {
        const QImage other = RenderKeyboard(file_, look, 1);
        for (const PositionKey& key : file_.keys) {
            SCOPED_TRACE(key.name + " look " + std::to_string(static_cast<int>(look)));
            const QRect rect(key.left, key.top, key.Width(), key.Height());
            EXPECT_NE(normal.copy(rect), other.copy(rect));
        }
    }
}

TEST_F(KeyboardPictures, EveryKeyButSpaceHasALegend) {
    for (const PositionKey& key : file_.keys) {
        SCOPED_TRACE(key.name);
        const Legend legend = LegendFor(key);
        const bool blank = legend.main.isEmpty() && legend.arrow == Legend::Arrow::None;
        EXPECT_EQ(blank, key.name == "Space");
    }
}

TEST(ThemeImages, StripsHaveTheirFrameSizeAtEachScale) {
    for (const ThemeImage& theme : ThemeImages()) {
        for (int scale : {1, 2}) {
            SCOPED_TRACE(std::string(theme.file) + " x" + std::to_string(scale));
            const QImage image = RenderTheme(theme, scale);
            EXPECT_EQ(image.width(), theme.frameWidth * theme.frames * scale);
            EXPECT_EQ(image.height(), theme.frameHeight * scale);
        }
    }
}

// A strip whose two states look alike would leave a state without feedback.
TEST(ThemeImages, EveryStateLooksDifferent) {
    for (const ThemeImage& theme : ThemeImages()) {
        const QImage image = RenderTheme(theme, 1);
        for (int a = 0; a < theme.frames; ++a) {
            for (int b = a + 1; b < theme.frames; ++b) {
                SCOPED_TRACE(std::string(theme.file) + " states " + std::to_string(a) + " and " +
                             std::to_string(b) + " of: " + std::string(theme.states));
                const QImage first =
                    image.copy(a * theme.frameWidth, 0, theme.frameWidth, theme.frameHeight);
                const QImage second =
                    image.copy(b * theme.frameWidth, 0, theme.frameWidth, theme.frameHeight);
                EXPECT_NE(first, second);
            }
        }
    }
}

TEST(Icon, IsSquareAndOpaqueInTheMiddle) {
    for (int size : IconSizes()) {
        SCOPED_TRACE(size);
        const QImage icon = RenderIcon(size);
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
}

} // namespace
