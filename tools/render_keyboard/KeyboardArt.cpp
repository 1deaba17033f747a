#include "render_keyboard/KeyboardArt.h"

#include "base/KeyCode.h"
#include "render_keyboard/Canvas.h"
#include "render_keyboard/Palette.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <algorithm>
#include <array>
#include <climits>

namespace keywright::art {

namespace pal = palette;

namespace {

constexpr std::array<KeyboardPicture, 4> kPictures{{
    {KeyLook::Normal, "img_keboard_normal"},
    {KeyLook::Checked, "img_keboard_checked"},
    {KeyLook::Pressed, "img_keboard_pressed"},
    {KeyLook::Floating, "img_keboard_floating"},
}};

struct ShortForm {
    int usage;
    const char* main;
    const char* shift;
};

// Keyboard-page usages whose legend is not simply the catalogue name.
constexpr ShortForm kShortForms[] = {
    {0x1E, "1", "!"},     {0x1F, "2", "@"},     {0x20, "3", "#"},    {0x21, "4", "$"},
    {0x22, "5", "%"},     {0x23, "6", "^"},     {0x24, "7", "&"},    {0x25, "8", "*"},
    {0x26, "9", "("},     {0x27, "0", ")"},     {0x28, "Enter", ""}, {0x29, "Esc", ""},
    {0x2C, "", ""},       {0x2D, "-", "_"},     {0x2E, "=", "+"},    {0x2F, "[", "{"},
    {0x30, "]", "}"},     {0x31, "\\", "|"},    {0x33, ";", ":"},    {0x34, "'", "\""},
    {0x35, "`", "~"},     {0x36, ",", "<"},     {0x37, ".", ">"},    {0x38, "/", "?"},
    {0x46, "PrtSc", ""},  {0x47, "ScrLk", ""},  {0x48, "Pause", ""}, {0x49, "Ins", ""},
    {0x4B, "PgUp", ""},   {0x4C, "Del", ""},    {0x4E, "PgDn", ""},  {0x53, "Num", ""},
    {0x55, "\u00D7", ""}, {0x56, "\u2212", ""}, {0x58, "Enter", ""}, {0x65, "Menu", ""},
    {0xE0, "Ctrl", ""},   {0xE1, "Shift", ""},  {0xE2, "Alt", ""},   {0xE3, "Win", ""},
    {0xE4, "Ctrl", ""},   {0xE5, "Shift", ""},  {0xE6, "Alt", ""},   {0xE7, "Win", ""},
};

// Geometry of a key at 100 %, in pixels inside its rect.
constexpr double kCapInset = 2.0;    // rect edge to the cap's skirt; room for the glow
constexpr double kCapRadius = 5.0;   // skirt corners
constexpr double kTopRadius = 4.0;   // top surface corners
constexpr double kTopSide = 3.0;     // skirt visible left and right of the top surface
constexpr double kTopRise = 2.0;     // skirt visible above the top surface
constexpr double kTopFront = 6.0;    // skirt visible below it (the key's front wall)
constexpr double kPressTravel = 1.5; // how far a pressed cap sinks

const QString kFontFamily = QStringLiteral("Noto Sans CJK SC");

QFont LegendFont(double pixels, bool bold = false) {
    QFont font(kFontFamily);
    font.setPixelSize(std::max(1, static_cast<int>(pixels + 0.5)));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The font for `text` in `width` pixels: `start` pixels, set a little tighter
// if that is enough, else the largest smaller size that fits (`smallest` at least).
QFont FittedFont(const QString& text, int start, int smallest, double width) {
    for (int px = start; px > smallest; --px) {
        for (double tighten : {0.0, -0.3, -0.6}) {
            if (tighten < 0 && px != start) {
                break;
            }
            QFont font = LegendFont(px);
            font.setLetterSpacing(QFont::AbsoluteSpacing, tighten);
            if (QFontMetricsF(font).horizontalAdvance(text) <= width) {
                return font;
            }
        }
    }
    return LegendFont(smallest);
}

struct LookColors {
    QColor skirtTop, skirtBottom, skirtEdge;
    QColor faceTop, faceBottom, faceEdge;
    QColor legend, shiftLegend;
    QColor glow;      // ring around the cap, invisible when alpha 0
    double glowWidth; // pixels at 100 %
    bool markDot;     // small accent dot: the key carries something
    bool sunk;        // the cap travels down
};

LookColors ColorsFor(KeyLook look) {
    const QColor faceTop(0x31, 0x36, 0x41);
    const QColor faceBottom(0x27, 0x2B, 0x34);
    const QColor skirtTop(0x22, 0x26, 0x2E);
    const QColor skirtBottom(0x11, 0x13, 0x17);
    switch (look) {
    case KeyLook::Floating:
        return {QColor(0x2B, 0x30, 0x3A),
                QColor(0x16, 0x19, 0x1F),
                pal::WithAlpha(pal::kAccent, 0.70),
                QColor(0x3D, 0x44, 0x51),
                QColor(0x33, 0x39, 0x45),
                pal::WithAlpha(pal::kAccentBright, 0.45),
                QColor(0xFF, 0xFF, 0xFF),
                pal::kText,
                pal::WithAlpha(pal::kAccent, 0.40),
                1.5,
                false,
                false};
    case KeyLook::Checked:
        return {pal::Mix(skirtTop, pal::kAccent, 0.10),
                pal::Mix(skirtBottom, pal::kAccent, 0.05),
                pal::kAccent,
                pal::Mix(faceTop, pal::kAccent, 0.22),
                pal::Mix(faceBottom, pal::kAccent, 0.14),
                pal::WithAlpha(pal::kAccentBright, 0.55),
                pal::kAccentBright,
                pal::WithAlpha(pal::kAccentBright, 0.80),
                pal::WithAlpha(pal::kAccent, 0.55),
                2.0,
                true,
                false};
    case KeyLook::Pressed:
        return {pal::kAccentDeep,
                pal::Mix(pal::kAccentDeep, QColor(0, 0, 0), 0.45),
                pal::kAccentBright,
                pal::Mix(pal::kAccent, QColor(0xFF, 0xFF, 0xFF), 0.25),
                pal::kAccent,
                pal::WithAlpha(QColor(0xFF, 0xFF, 0xFF), 0.55),
                pal::kAccentInk,
                pal::WithAlpha(pal::kAccentInk, 0.75),
                pal::WithAlpha(pal::kAccentAlt, 0.60),
                2.0,
                false,
                true};
    case KeyLook::Normal:
        break;
    }
    return {skirtTop,
            skirtBottom,
            QColor(0x0A, 0x0B, 0x0E),
            faceTop,
            faceBottom,
            QColor(0x42, 0x48, 0x53),
            QColor(0xDD, 0xE2, 0xEA),
            pal::kTextDim,
            QColor(0, 0, 0, 0),
            0.0,
            false,
            false};
}

QLinearGradient Vertical(const QRectF& rect, const QColor& top, const QColor& bottom) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    return gradient;
}

void DrawArrow(QPainter& p, const QRectF& face, Legend::Arrow arrow, const QColor& color) {
    const QPointF c = face.center();
    const double r = 4.0; // half the arrow's width at 100 %
    QPolygonF shape;
    switch (arrow) {
    case Legend::Arrow::Up:
        shape << QPointF(c.x(), c.y() - r) << QPointF(c.x() + r, c.y() + r * 0.6)
              << QPointF(c.x() - r, c.y() + r * 0.6);
        break;
    case Legend::Arrow::Down:
        shape << QPointF(c.x(), c.y() + r) << QPointF(c.x() - r, c.y() - r * 0.6)
              << QPointF(c.x() + r, c.y() - r * 0.6);
        break;
    case Legend::Arrow::Left:
        shape << QPointF(c.x() - r, c.y()) << QPointF(c.x() + r * 0.6, c.y() - r)
              << QPointF(c.x() + r * 0.6, c.y() + r);
        break;
    case Legend::Arrow::Right:
        shape << QPointF(c.x() + r, c.y()) << QPointF(c.x() - r * 0.6, c.y() + r)
              << QPointF(c.x() - r * 0.6, c.y() - r);
        break;
    case Legend::Arrow::None:
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(shape);
}

void DrawLegend(QPainter& p, const QRectF& face, const Legend& legend, const LookColors& colors) {
    if (legend.arrow != Legend::Arrow::None) {
        DrawArrow(p, face, legend.arrow, colors.legend);
        return;
    }
    if (legend.main.isEmpty()) {
        return;
    }
    const QRectF area = face.adjusted(1, 0, -1, 0);
    if (!legend.shift.isEmpty()) {
        const QFont font = LegendFont(11);
        p.setFont(font);
        const double half = area.height() / 2;
        p.setPen(colors.shiftLegend);
        p.drawText(QRectF(area.left(), area.top() + 1, area.width(), half), Qt::AlignCenter,
                   legend.shift);
        p.setPen(colors.legend);
        p.drawText(QRectF(area.left(), area.top() + half - 1, area.width(), half), Qt::AlignCenter,
                   legend.main);
        return;
    }
    // One size per kind of key, so a row reads evenly: single characters
    // large, words on 1u keys at 10 px, words on wider keys at 11 px.
    const bool oneLetter = legend.main.size() == 1;
    const int wordSize = face.width() < 36 ? 10 : 11;
    const QFont font =
        oneLetter ? LegendFont(13) : FittedFont(legend.main, wordSize, 7, area.width());
    p.setFont(font);
    p.setPen(colors.legend);
    p.drawText(area, Qt::AlignCenter, legend.main);
}

void DrawKey(QPainter& p, const PositionKey& key, const LookColors& colors) {
    const QRectF cell(key.left, key.top, key.Width(), key.Height());
    QRectF skirt = cell.adjusted(kCapInset, kCapInset, -kCapInset, -kCapInset);
    QRectF face = skirt.adjusted(kTopSide, kTopRise, -kTopSide, -kTopFront);
    if (colors.sunk) {
        skirt.adjust(0, kPressTravel, 0, 0);
        face = skirt.adjusted(kTopSide, kTopRise, -kTopSide, -(kTopFront - kPressTravel));
    }

    // Everything stays inside the key's rect: the map copies exactly that.
    p.save();
    p.setClipRect(cell);

    if (colors.glow.alpha() > 0) {
        const double w = colors.glowWidth;
        QColor soft = colors.glow;
        soft.setAlphaF(soft.alphaF() * 0.45f);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(soft, w + 1.0));
        p.drawRoundedRect(skirt.adjusted(-w / 2 - 0.5, -w / 2 - 0.5, w / 2 + 0.5, w / 2 + 0.5),
                          kCapRadius + 1.5, kCapRadius + 1.5);
        p.setPen(QPen(colors.glow, 1.0));
        p.drawRoundedRect(skirt.adjusted(-0.5, -0.5, 0.5, 0.5), kCapRadius + 0.5, kCapRadius + 0.5);
    }

    // Skirt: the cap's sides and front wall.
    p.setPen(QPen(colors.skirtEdge, 1.0));
    p.setBrush(Vertical(skirt, colors.skirtTop, colors.skirtBottom));
    p.drawRoundedRect(skirt.adjusted(0.5, 0.5, -0.5, -0.5), kCapRadius, kCapRadius);

    // Top surface, lit from above: a bright rim that fades towards the front.
    QLinearGradient rim(face.topLeft(), face.bottomLeft());
    rim.setColorAt(0.0, colors.faceEdge);
    QColor rimEnd = colors.faceEdge;
    rimEnd.setAlphaF(rimEnd.alphaF() * 0.15f);
    rim.setColorAt(1.0, rimEnd);
    p.setPen(QPen(QBrush(rim), 1.0));
    p.setBrush(Vertical(face, colors.faceTop, colors.faceBottom));
    p.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), kTopRadius, kTopRadius);

    DrawLegend(p, face, LegendFor(key), colors);

    if (colors.markDot) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal::kAccentBright);
        p.drawEllipse(QPointF(face.right() - 4.0, face.top() + 4.0), 1.6, 1.6);
    }
    p.restore();
}

struct Bounds {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool Empty() const { return left >= right || top >= bottom; }
    void Add(const PositionKey& key) {
        left = std::min(left, key.left);
        top = std::min(top, key.top);
        right = std::max(right, key.right);
        bottom = std::max(bottom, key.bottom);
    }
};

bool OnKeypad(const PositionKey& key) {
    return key.va == kKeyboardPage && key.id >= 0x53 && key.id <= 0x63;
}

void DrawCase(QPainter& p, const PositionsFile& positions) {
    const QRectF body(0.5, 0.5, positions.width - 1.0, positions.height - 1.0);
    p.setPen(QPen(QColor(0x2C, 0x31, 0x3B), 1.0));
    p.setBrush(Vertical(body, QColor(0x1F, 0x22, 0x2A), QColor(0x13, 0x15, 0x1A)));
    p.drawRoundedRect(body, 14, 14);

    // A faint highlight on the top edge.
    QLinearGradient sheen(body.topLeft(), body.topRight());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 28));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(QPen(QBrush(sheen), 1.0));
    p.drawLine(QPointF(16, 1.5), QPointF(positions.width - 16, 1.5));

    // The sunken plate under the keys.
    Bounds keys;
    for (const PositionKey& key : positions.keys) {
        if (key.Width() > 0 && key.Height() > 0) {
            keys.Add(key);
        }
    }
    if (!keys.Empty()) {
        const QRectF plate =
            QRectF(keys.left, keys.top, keys.right - keys.left, keys.bottom - keys.top)
                .adjusted(-6.5, -6.5, 6.5, 6.5);
        p.setPen(QPen(QColor(0x0A, 0x0B, 0x0E), 1.0));
        p.setBrush(Vertical(plate, QColor(0x0C, 0x0D, 0x11), QColor(0x10, 0x12, 0x16)));
        p.drawRoundedRect(plate, 8, 8);
        // Its lower lip catches the light.
        p.setPen(QPen(QColor(255, 255, 255, 14), 1.0));
        p.drawLine(QPointF(plate.left() + 8, plate.bottom() + 1),
                   QPointF(plate.right() - 8, plate.bottom() + 1));
    }

    // Light bar along the front edge: cyan into magenta.
    const double barY = positions.height - 4.5;
    QLinearGradient bar(QPointF(positions.width * 0.2, 0), QPointF(positions.width * 0.8, 0));
    bar.setColorAt(0.0, pal::WithAlpha(pal::kAccent, 0.0));
    bar.setColorAt(0.25, pal::WithAlpha(pal::kAccent, 0.75));
    bar.setColorAt(0.75, pal::WithAlpha(pal::kAccentAlt, 0.75));
    bar.setColorAt(1.0, pal::WithAlpha(pal::kAccentAlt, 0.0));
    p.setPen(QPen(QBrush(bar), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(positions.width * 0.2, barY), QPointF(positions.width * 0.8, barY));
}

// Above the keypad, where a full-size board has no keys: the name and the lock lights.
void DrawBadge(QPainter& p, const PositionsFile& positions) {
    Bounds keypad;
    int topRow = INT_MAX;
    for (const PositionKey& key : positions.keys) {
        if (OnKeypad(key)) {
            keypad.Add(key);
        }
        if (key.Height() > 0) {
            topRow = std::min(topRow, key.top);
        }
    }
    if (keypad.Empty() || keypad.top - topRow < 24) {
        return;
    }
    const QRectF area(keypad.left + 4, topRow + 2, keypad.right - keypad.left - 8,
                      keypad.top - topRow - 14);

    QFont mark = LegendFont(11, true);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    p.setFont(mark);
    p.setPen(pal::kTextDim);
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KEYWRIGHT"));

    // Three lock lights (num, caps, scroll), unlit.
    const double y = area.center().y();
    for (int i = 0; i < 3; ++i) {
        const QPointF c(area.right() - 4 - i * 12, y);
        p.setPen(QPen(QColor(0x0A, 0x0B, 0x0E), 1.0));
        p.setBrush(QColor(0x2A, 0x2F, 0x38));
        p.drawEllipse(c, 3.0, 3.0);
    }
}

} // namespace

std::span<const KeyboardPicture> KeyboardPictures() {
    return kPictures;
}

Legend LegendFor(const PositionKey& key) {
    Legend legend;
    if (key.va == kKeyboardPage) {
        switch (key.id) {
        case 0x4F:
            legend.arrow = Legend::Arrow::Right;
            return legend;
        case 0x50:
            legend.arrow = Legend::Arrow::Left;
            return legend;
        case 0x51:
            legend.arrow = Legend::Arrow::Down;
            return legend;
        case 0x52:
            legend.arrow = Legend::Arrow::Up;
            return legend;
        default:
            break;
        }
        for (const ShortForm& form : kShortForms) {
            if (form.usage == key.id) {
                legend.main = QString::fromUtf8(form.main);
                legend.shift = QString::fromUtf8(form.shift);
                return legend;
            }
        }
    }
    legend.main = QString::fromStdString(key.name);
    if (legend.main.startsWith(QStringLiteral("Keypad "))) {
        legend.main = legend.main.mid(7).trimmed();
    }
    return legend;
}

QImage RenderKeyboard(const PositionsFile& positions, KeyLook look, int scale) {
    QImage image = NewCanvas(positions.width * scale, positions.height * scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);

    DrawCase(p, positions);
    DrawBadge(p, positions);
    const LookColors colors = ColorsFor(look);
    for (const PositionKey& key : positions.keys) {
        if (key.Width() > 0 && key.Height() > 0) {
            DrawKey(p, key, colors);
        }
    }
    p.end();
    return image;
}

} // namespace keywright::art
