#include "WidgetTestPackage.h"
#include "support/LogCheck.h"
#include "ui/WindowTree.h"
#include "widgets/SCheckBoxEx.h"
#include "widgets/SRadioBoxEx.h"

#include <memory>

namespace keywright::widgets::test {
namespace {

// The twins share their look; each test runs on both.
template <class T>
struct Twin;
template <>
struct Twin<SCheckBoxEx> {
    static constexpr const char* kClass = "checkex";
    static constexpr const char* kBase = "check";
    static constexpr const char* kOther = "radio";
};
template <>
struct Twin<SRadioBoxEx> {
    static constexpr const char* kClass = "radioex";
    static constexpr const char* kBase = "radio";
    static constexpr const char* kOther = "check";
};

// A 60 x 20 button: "tile" stretched over it, the 16 x 16 "icon" at 40,2.
constexpr QSize kButtonSize(60, 20);
constexpr QPoint kOnSkin(2, 2);
constexpr QPoint kOnIcon(48, 10);

template <class T>
class ExButtonTest : public WidgetTest {
  protected:
    std::unique_ptr<T> Make(bool withSkin = true) {
        auto button = std::make_unique<T>();
        if (withSkin)
            button->setProperty("skin", SkinName(kTile));
        button->setProperty("iconSkin", SkinName(kIcon));
        button->setProperty("iconPos", QStringLiteral("40,2"));
        button->resize(kButtonSize);
        return button;
    }
};

using Twins = testing::Types<SCheckBoxEx, SRadioBoxEx>;
TYPED_TEST_SUITE(ExButtonTest, Twins);

TYPED_TEST(ExButtonTest, AnswersForItsClassAndItsBases) {
    TypeParam button;
    EXPECT_EQ(ui::ClassNameOf(&button), Twin<TypeParam>::kClass);
    EXPECT_TRUE(ui::IsClass(&button, Twin<TypeParam>::kBase));
    EXPECT_TRUE(ui::IsClass(&button, "window"));
    EXPECT_FALSE(ui::IsClass(&button, Twin<TypeParam>::kOther));
}

struct StateRow {
    const char* what;
    bool pushed;
    bool hovered;
    bool checked;
    bool disabled;
    int skinState;
    int iconState;
};

const StateRow kStateRows[] = {
    {"normal", false, false, false, false, 0, 0},
    {"hovered", false, true, false, false, 1, 1},
    {"pushed", true, false, false, false, 2, 2},
    {"pushed under the pointer", true, true, false, false, 2, 2},
    {"disabled", false, false, false, true, 0, 3},
    {"disabled under the pointer", false, true, false, true, 0, 3},
    {"checked: the skin's last state", false, false, true, false, 3, 4},
    {"checked under the pointer: hover, not checked", false, true, true, false, 1, 5},
    {"checked and pushed", true, false, true, false, 2, 6},
    {"checked and disabled", false, false, true, true, 3, 7},
};

TYPED_TEST(ExButtonTest, DrawsTheSkinAndTheIconInTheButtonsState) {
    for (const StateRow& row : kStateRows) {
        SCOPED_TRACE(row.what);
        auto button = this->Make();
        button->setChecked(row.checked);
        button->setDown(row.pushed);
        if (row.hovered)
            SendEnter(*button);
        button->setEnabled(!row.disabled);

        const QImage image = Render(*button);
        EXPECT_EQ(PixelAt(image, kOnSkin), FrameColor(kTile, row.skinState));
        EXPECT_EQ(PixelAt(image, kOnIcon), FrameColor(kIcon, row.iconState));
        EXPECT_EQ(PixelAt(image, {39, 10}), FrameColor(kTile, row.skinState)) << "left of the icon";
    }
}

// Without a background skin the icon still shows the button's state (the
// check mark must not vanish with the tile).
TYPED_TEST(ExButtonTest, WithoutASkinTheIconStillShowsTheState) {
    for (const StateRow& row : kStateRows) {
        SCOPED_TRACE(row.what);
        auto button = this->Make(false);
        button->setChecked(row.checked);
        button->setDown(row.pushed);
        if (row.hovered)
            SendEnter(*button);
        button->setEnabled(!row.disabled);

        const QImage image = Render(*button);
        EXPECT_EQ(PixelAt(image, kOnSkin).alpha(), 0);
        EXPECT_EQ(PixelAt(image, kOnIcon), FrameColor(kIcon, row.iconState));
    }
}

TYPED_TEST(ExButtonTest, TheTextStartsBesideTheIconAtItsOffsets) {
    const struct {
        const char* what;
        const char* iconPos;
        QVariant textX;
        QVariant textY;
        bool icon;
        QPoint textTopLeft;
    } rows[] = {
        {"icon 16 wide at 4,6, text x 2", "4,6", 2, 0, true, {22, 6}},
        {"nothing", "0,0", 0, 0, false, {0, 0}},
        {"offsets without icon", "4,6", QStringLiteral("2"), QStringLiteral("3"), false, {6, 9}},
        {"hexadecimal and negative", "-2,0", QStringLiteral("0x10"), -1, true, {30, -1}},
        {"icon position cut short", "7", 0, 0, true, {23, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TypeParam button;
        button.resize(kButtonSize);
        if (row.icon)
            button.setProperty("iconSkin", SkinName(kIcon));
        button.setProperty("iconPos", QString::fromLatin1(row.iconPos));
        button.setProperty("textX", row.textX);
        button.setProperty("textY", row.textY);
        EXPECT_EQ(button.TextRect(), QRect(row.textTopLeft, QPoint(59, 19)));
    }

    // The text is drawn there: nothing left of or above the rectangle.
    TypeParam button;
    button.resize(120, 40);
    button.setText("MMMM");
    button.setProperty("iconSkin", SkinName(kIcon));
    button.setProperty("iconPos", QStringLiteral("4,6"));
    button.setProperty("textX", 2);
    QImage image = Render(button);
    // The icon is not text: blank it out before looking.
    for (int y = 6; y < 22; ++y)
        for (int x = 4; x < 20; ++x)
            image.setPixelColor(x, y, Qt::transparent);
    QRect inked;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() != 0)
                inked |= QRect(x, y, 1, 1);
    ASSERT_FALSE(inked.isEmpty());
    EXPECT_GE(inked.left(), 22);
    EXPECT_LE(inked.left(), 26);
    EXPECT_GE(inked.top(), 6);
}

TYPED_TEST(ExButtonTest, TheNaturalSizeIsTheSkins) {
    TypeParam button;
    const QSize plain = button.sizeHint();
    button.setProperty("skin", SkinName(kTile));
    EXPECT_EQ(button.sizeHint(), kSkins[kTile].frame);
    button.setProperty("skin", QStringLiteral("no_such_skin"));
    EXPECT_EQ(button.sizeHint(), plain);
}

TYPED_TEST(ExButtonTest, AttributesReadBack) {
    keywright::test::ExpectLog wide("attribute \"textY\" cannot be \"wide\"");
    TypeParam button;
    button.setProperty("focusSkin", SkinName(kTile));
    button.setProperty("iconPos", QStringLiteral(" 4, 6"));
    button.setProperty("textX", QStringLiteral("0x10"));
    button.setProperty("textY", QStringLiteral("wide"));
    button.setProperty("textAlign", QVariant::fromValue(Qt::Alignment(Qt::AlignCenter)));
    EXPECT_EQ(button.property("focusSkin").toString(), SkinName(kTile));
    EXPECT_EQ(button.property("iconPos").toString(), "4,6");
    EXPECT_EQ(button.property("textX").toInt(), 16);
    EXPECT_EQ(button.property("textY").toInt(), 0);
    EXPECT_EQ(button.TextAlign(), Qt::AlignCenter);
}

TYPED_TEST(ExButtonTest, AClickAnywhereOnItActsAndRaisesItsCommand) {
    QWidget parent;
    auto* first = new TypeParam(&parent);
    auto* second = new TypeParam(&parent);
    for (TypeParam* button : {first, second})
        button->resize(kButtonSize);
    int commands = 0;
    second->Subscribe(ui::kCommandEvent, [&](ui::Event&) { ++commands; });
    first->setChecked(true);

    // The far corner: no indicator there, but the whole button is its face.
    const QPoint corner(kButtonSize.width() - 1, kButtonSize.height() - 1);
    SendMouse(*second, QEvent::MouseButtonPress, corner);
    SendMouse(*second, QEvent::MouseButtonRelease, corner);
    EXPECT_EQ(commands, 1);
    EXPECT_TRUE(second->isChecked());
    // A check box toggles alone; a radio button unchecks its sibling.
    EXPECT_EQ(first->isChecked(), Twin<TypeParam>::kBase == std::string_view("check"));
}

} // namespace
} // namespace keywright::widgets::test
