#include "render_keyboard/ThemeArt.h"

#include "render_keyboard/Canvas.h"
#include "render_keyboard/Palette.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <array>

namespace keywright::art {

namespace pal = palette;

namespace {

// Button states, the order of every button strip.
enum ButtonState { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

QLinearGradient Vertical(const QRectF& rect, const QColor& top, const QColor& bottom) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    return gradient;
}

// A rounded box with a 1 px border on the pixel grid.
void Box(QPainter& p, const QRectF& r, double radius, const QBrush& fill, const QColor& border) {
    p.setPen(border.alpha() > 0 ? QPen(border, 1.0) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// A faint light line along the inside of a box's top edge.
void TopSheen(QPainter& p, const QRectF& r, double radius, int alpha) {
    p.setPen(QPen(QColor(255, 255, 255, alpha), 1.0));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5),
               QPointF(r.right() - radius, r.top() + 1.5));
}

QPen Stroke(const QColor& color, double width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// --- buttons ---------------------------------------------------------------

void DrawButton(QPainter& p, const QRectF& r, int state) {
    switch (state) {
    case kNormal:
        Box(p, r, 4, Vertical(r, QColor(0x2B, 0x2F, 0x38), QColor(0x23, 0x27, 0x2F)), pal::kBorder);
        TopSheen(p, r, 4, 12);
        break;
    case kHover:
        Box(p, r, 4, Vertical(r, QColor(0x35, 0x3A, 0x45), QColor(0x2C, 0x31, 0x3A)),
            pal::kBorderLight);
        TopSheen(p, r, 4, 18);
        break;
    case kPressed:
        Box(p, r, 4, Vertical(r, QColor(0x1B, 0x1E, 0x24), QColor(0x21, 0x25, 0x2C)),
            pal::WithAlpha(pal::kAccent, 0.65));
        break;
    default:
        Box(p, r, 4, QBrush(pal::kPanel), QColor(0x25, 0x29, 0x31));
        break;
    }
}

void DrawPrimaryButton(QPainter& p, const QRectF& r, int state) {
    switch (state) {
    case kNormal:
        Box(p, r, 4, Vertical(r, QColor(0x3F, 0xDD, 0xF3), QColor(0x1A, 0xC2, 0xDC)),
            QColor(0x0F, 0xAB, 0xC4));
        TopSheen(p, r, 4, 70);
        break;
    case kHover:
        Box(p, r, 4, Vertical(r, QColor(0x72, 0xEA, 0xFA), QColor(0x2C, 0xD2, 0xEA)),
            QColor(0x22, 0xBF, 0xD8));
        TopSheen(p, r, 4, 90);
        break;
    case kPressed:
        Box(p, r, 4, Vertical(r, QColor(0x0D, 0x95, 0xAC), QColor(0x13, 0xA9, 0xC1)),
            QColor(0x0B, 0x86, 0x9B));
        break;
    default:
        Box(p, r, 4, QBrush(QColor(0x21, 0x3A, 0x41)), QColor(0x27, 0x45, 0x4D));
        break;
    }
}

// Caption buttons: bare glyphs that get a soft plate under the pointer.
void CaptionPlate(QPainter& p, const QRectF& r, int state, bool danger) {
    QColor fill(0, 0, 0, 0);
    if (state == kHover) {
        fill = danger ? pal::kDanger : QColor(255, 255, 255, 22);
    } else if (state == kPressed) {
        fill = danger ? pal::kDangerDeep : QColor(255, 255, 255, 12);
    }
    if (fill.alpha() > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(r, 4, 4);
    }
}

QColor CaptionGlyph(int state, bool danger) {
    switch (state) {
    case kHover:
        return danger ? QColor(0xFF, 0xFF, 0xFF) : pal::kText;
    case kPressed:
        return danger ? QColor(0xF5, 0xD0, 0xD2) : pal::kTextDim;
    case kDisabled:
        return pal::kTextDisabled;
    default:
        return pal::kTextDim;
    }
}

void DrawCaptionMin(QPainter& p, const QRectF& r, int state) {
    CaptionPlate(p, r, state, false);
    const QPointF c = r.center();
    p.setPen(QPen(CaptionGlyph(state, false), 1.0));
    p.drawLine(QPointF(c.x() - 5, c.y() + 0.5), QPointF(c.x() + 5, c.y() + 0.5));
}

void DrawCaptionMax(QPainter& p, const QRectF& r, int state) {
    CaptionPlate(p, r, state, false);
    const QPointF c = r.center();
    p.setPen(QPen(CaptionGlyph(state, false), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9), 1.5, 1.5);
}

void DrawCaptionRestore(QPainter& p, const QRectF& r, int state) {
    CaptionPlate(p, r, state, false);
    const QPointF c = r.center();
    const QColor glyph = CaptionGlyph(state, false);
    p.setPen(QPen(glyph, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(c.x() - 4.5, c.y() - 2.5, 7, 7), 1.2, 1.2);
    QPainterPath back;
    back.moveTo(c.x() - 2.5, c.y() - 2.5);
    back.lineTo(c.x() - 2.5, c.y() - 4.5);
    back.lineTo(c.x() + 4.5, c.y() - 4.5);
    back.lineTo(c.x() + 4.5, c.y() + 2.5);
    back.lineTo(c.x() + 2.5, c.y() + 2.5);
    p.drawPath(back);
}

void DrawCaptionClose(QPainter& p, const QRectF& r, int state) {
    CaptionPlate(p, r, state, true);
    const QPointF c = r.center();
    p.setPen(Stroke(CaptionGlyph(state, true), 1.2));
    p.drawLine(QPointF(c.x() - 4.5, c.y() - 4.5), QPointF(c.x() + 4.5, c.y() + 4.5));
    p.drawLine(QPointF(c.x() + 4.5, c.y() - 4.5), QPointF(c.x() - 4.5, c.y() + 4.5));
}

void DrawCaptionMore(QPainter& p, const QRectF& r, int state) {
    CaptionPlate(p, r, state, false);
    const QPointF c = r.center();
    p.setPen(QPen(CaptionGlyph(state, false), 1.0));
    for (int i = -1; i <= 1; ++i) {
        const double y = c.y() + 0.5 + i * 4;
        p.drawLine(QPointF(c.x() - 5, y), QPointF(c.x() + 5, y));
    }
}

// --- small icon buttons for list tools ----------------------------------------

QColor ToolGlyph(int state) {
    switch (state) {
    case kHover:
        return pal::kText;
    case kPressed:
        return pal::kAccent;
    case kDisabled:
        return pal::kTextDisabled;
    default:
        return pal::kTextDim;
    }
}

void ToolPlate(QPainter& p, const QRectF& r, int state) {
    if (state == kHover) {
        Box(p, r, 4, QBrush(pal::kRaised), pal::kBorder);
    } else if (state == kPressed) {
        Box(p, r, 4, QBrush(pal::kWindowDeep), pal::WithAlpha(pal::kAccent, 0.55));
    }
}

void DrawToolAdd(QPainter& p, const QRectF& r, int state) {
    ToolPlate(p, r, state);
    const QPointF c = r.center();
    p.setPen(Stroke(ToolGlyph(state), 1.5));
    p.drawLine(QPointF(c.x() - 5, c.y()), QPointF(c.x() + 5, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
}

void DrawToolRemove(QPainter& p, const QRectF& r, int state) {
    ToolPlate(p, r, state);
    const QPointF c = r.center();
    p.setPen(Stroke(ToolGlyph(state), 1.5));
    p.drawLine(QPointF(c.x() - 5, c.y()), QPointF(c.x() + 5, c.y()));
}

void Chevron(QPainter& p, const QPointF& c, double half, double rise, const QColor& color,
             double width) {
    p.setPen(Stroke(color, width));
    p.setBrush(Qt::NoBrush);
    QPolygonF line;
    line << QPointF(c.x() - half, c.y() + rise / 2) << QPointF(c.x(), c.y() - rise / 2)
         << QPointF(c.x() + half, c.y() + rise / 2);
    p.drawPolyline(line);
}

void DrawToolUp(QPainter& p, const QRectF& r, int state) {
    ToolPlate(p, r, state);
    Chevron(p, r.center(), 5, 5, ToolGlyph(state), 1.5);
}

void DrawToolDown(QPainter& p, const QRectF& r, int state) {
    ToolPlate(p, r, state);
    Chevron(p, r.center(), 5, -5, ToolGlyph(state), 1.5);
}

void DrawToolDelete(QPainter& p, const QRectF& r, int state) {
    ToolPlate(p, r, state);
    const QPointF c = r.center();
    const QColor glyph = state == kHover ? pal::kDanger : ToolGlyph(state);
    p.setPen(Stroke(glyph, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(c.x() - 6, c.y() - 4), QPointF(c.x() + 6, c.y() - 4)); // lid
    p.drawLine(QPointF(c.x() - 2, c.y() - 6), QPointF(c.x() + 2, c.y() - 6)); // handle
    QPainterPath bin;
    bin.moveTo(c.x() - 4.5, c.y() - 4);
    bin.lineTo(c.x() - 3.5, c.y() + 6);
    bin.lineTo(c.x() + 3.5, c.y() + 6);
    bin.lineTo(c.x() + 4.5, c.y() - 4);
    p.drawPath(bin);
    p.drawLine(QPointF(c.x() - 1.2, c.y() - 1), QPointF(c.x() - 1.2, c.y() + 3.5));
    p.drawLine(QPointF(c.x() + 1.2, c.y() - 1), QPointF(c.x() + 1.2, c.y() + 3.5));
}

void DrawToolClear(QPainter& p, const QRectF& r, int state) {
    ToolPlate(p, r, state);
    const QPointF c = r.center();
    p.setPen(Stroke(ToolGlyph(state), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 6, 6);
    p.drawLine(QPointF(c.x() - 4.2, c.y() + 4.2), QPointF(c.x() + 4.2, c.y() - 4.2));
}

// A tray with an arrow into it (import) or out of it (export).
void TrayArrow(QPainter& p, const QRectF& r, int state, bool into) {
    ToolPlate(p, r, state);
    const QPointF c = r.center();
    p.setPen(Stroke(ToolGlyph(state), 1.3));
    p.setBrush(Qt::NoBrush);
    QPolygonF tray;
    tray << QPointF(c.x() - 6, c.y() + 1) << QPointF(c.x() - 6, c.y() + 6)
         << QPointF(c.x() + 6, c.y() + 6) << QPointF(c.x() + 6, c.y() + 1);
    p.drawPolyline(tray);
    p.drawLine(QPointF(c.x(), c.y() - 6.5), QPointF(c.x(), c.y() + 2.5));
    if (into) {
        Chevron(p, QPointF(c.x(), c.y() + 1), 3.5, -3.5, ToolGlyph(state), 1.3);
    } else {
        Chevron(p, QPointF(c.x(), c.y() - 5), 3.5, 3.5, ToolGlyph(state), 1.3);
    }
}

void DrawToolImport(QPainter& p, const QRectF& r, int state) {
    TrayArrow(p, r, state, true);
}

void DrawToolExport(QPainter& p, const QRectF& r, int state) {
    TrayArrow(p, r, state, false);
}

// --- check box and radio -----------------------------------------------------
// States: unchecked normal, hover, pushed, disabled; checked normal, hover,
// pushed, disabled.

struct MarkColors {
    QColor fill, border, mark;
};

MarkColors MarkColorsFor(int state) {
    const bool checked = state >= 4;
    switch (state % 4) {
    case kHover:
        return checked ? MarkColors{pal::kAccentBright, pal::kAccentBright, pal::kAccentInk}
                       : MarkColors{pal::kWindowDeep, pal::kAccent, {}};
    case kPressed:
        return checked ? MarkColors{pal::kAccentDeep, pal::kAccentDeep, pal::kAccentInk}
                       : MarkColors{pal::kRaised, pal::kAccentDeep, {}};
    case kDisabled:
        return checked ? MarkColors{QColor(0x25, 0x3F, 0x46), QColor(0x2B, 0x49, 0x51),
                                    QColor(0x6B, 0x8A, 0x91)}
                       : MarkColors{pal::kPanel, QColor(0x2E, 0x33, 0x3D), {}};
    default:
        return checked ? MarkColors{pal::kAccent, pal::kAccent, pal::kAccentInk}
                       : MarkColors{pal::kWindowDeep, QColor(0x4F, 0x57, 0x66), {}};
    }
}

void DrawCheckBox(QPainter& p, const QRectF& r, int state) {
    const MarkColors c = MarkColorsFor(state);
    const QRectF box = r.adjusted(1, 1, -1, -1);
    Box(p, box, 3, QBrush(c.fill), c.border);
    if (state >= 4) {
        const double s = box.width() / 14.0;
        QPolygonF tick;
        tick << QPointF(box.left() + 3.5 * s, box.top() + 7.2 * s)
             << QPointF(box.left() + 6.0 * s, box.top() + 9.8 * s)
             << QPointF(box.left() + 10.6 * s, box.top() + 4.4 * s);
        p.setPen(Stroke(c.mark, 1.8 * s));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(tick);
    }
}

void DrawRadio(QPainter& p, const QRectF& r, int state) {
    const bool checked = state >= 4;
    MarkColors c = MarkColorsFor(state);
    const QRectF ring = r.adjusted(1.5, 1.5, -1.5, -1.5);
    if (checked) {
        // A lit ring around a dot, rather than a filled disc.
        p.setPen(QPen(c.border, 1.0));
        p.setBrush(pal::kWindowDeep);
        p.drawEllipse(ring);
        p.setPen(Qt::NoPen);
        p.setBrush(c.fill);
        p.drawEllipse(ring.center(), ring.width() * 0.25, ring.height() * 0.25);
    } else {
        p.setPen(QPen(c.border, 1.0));
        p.setBrush(c.fill);
        p.drawEllipse(ring);
    }
}

// The background of a check or radio tile ("skin" of "checkex"/"radioex"):
// normal, hover, pushed, checked.
void DrawOptionTile(QPainter& p, const QRectF& r, int state) {
    switch (state) {
    case 1:
        Box(p, r, 5, QBrush(pal::kRaised), pal::kBorderLight);
        break;
    case 2:
        Box(p, r, 5, QBrush(pal::kWindowDeep), pal::WithAlpha(pal::kAccent, 0.55));
        break;
    case 3: {
        Box(p, r, 5,
            Vertical(r, pal::Mix(pal::kPanel, pal::kAccent, 0.20),
                     pal::Mix(pal::kPanel, pal::kAccent, 0.10)),
            pal::kAccent);
        TopSheen(p, r, 5, 24);
        break;
    }
    default:
        Box(p, r, 5, QBrush(pal::kPanel), pal::kBorder);
        break;
    }
}

// --- slider ------------------------------------------------------------------

// Frame 0 the empty groove, frame 1 the filled part (left of the thumb).
void DrawSliderTrack(QPainter& p, const QRectF& r, int state) {
    if (state == 0) {
        Box(p, r, r.height() / 2, QBrush(pal::kWindowDeep), QColor(0x0A, 0x0B, 0x0E));
        return;
    }
    Box(p, r, r.height() / 2, Vertical(r, pal::kAccentBright, pal::kAccent), pal::kAccentDeep);
}

void DrawSliderThumb(QPainter& p, const QRectF& r, int state) {
    const QPointF c = r.center();
    const double radius = r.width() / 2 - 2;
    if (state == kHover || state == kPressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal::WithAlpha(pal::kAccent, state == kPressed ? 0.35 : 0.22));
        p.drawEllipse(c, radius + 2, radius + 2);
    }
    QColor fill = pal::kText;
    QColor ring = pal::kAccent;
    if (state == kPressed) {
        fill = pal::kAccentBright;
    } else if (state == kDisabled) {
        fill = pal::kTextDisabled;
        ring = QColor(0x3A, 0x40, 0x4C);
    }
    p.setPen(QPen(ring, 2.0));
    p.setBrush(fill);
    p.drawEllipse(c, radius - 1, radius - 1);
}

// --- combo and edit ---------------------------------------------------------

void DrawComboArrow(QPainter& p, const QRectF& r, int state) {
    Chevron(p, r.center(), 4, -4, ToolGlyph(state), 1.5);
}

// normal, hover, focus, disabled
void DrawEditFrame(QPainter& p, const QRectF& r, int state) {
    switch (state) {
    case 1:
        Box(p, r, 4, QBrush(pal::kWindowDeep), pal::kBorderLight);
        break;
    case 2:
        Box(p, r, 4, QBrush(pal::kWindowDeep), pal::kAccent);
        p.setPen(QPen(pal::WithAlpha(pal::kAccent, 0.18), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
        break;
    case 3:
        Box(p, r, 4, QBrush(pal::kPanel), QColor(0x23, 0x27, 0x2F));
        break;
    default:
        Box(p, r, 4, QBrush(pal::kWindowDeep), pal::kBorder);
        break;
    }
}

// --- lists, tabs, menus, panels -------------------------------------------------

void DrawPanel(QPainter& p, const QRectF& r, int) {
    Box(p, r, 6, QBrush(pal::kPanel), pal::kBorder);
}

// normal, hover, selected
void DrawListItem(QPainter& p, const QRectF& r, int state) {
    if (state == 1) {
        p.fillRect(r, QColor(255, 255, 255, 10));
    } else if (state == 2) {
        QLinearGradient fill(r.topLeft(), r.topRight());
        fill.setColorAt(0.0, pal::WithAlpha(pal::kAccent, 0.22));
        fill.setColorAt(1.0, pal::WithAlpha(pal::kAccent, 0.10));
        p.fillRect(r, fill);
        p.fillRect(QRectF(r.left(), r.top(), 3, r.height()), pal::kAccent);
    }
}

// normal, hover, pressed
void DrawListHeader(QPainter& p, const QRectF& r, int state) {
    const QColor fill = state == 1   ? QColor(0x27, 0x2B, 0x34)
                        : state == 2 ? QColor(0x1A, 0x1D, 0x23)
                                     : QColor(0x21, 0x24, 0x2C);
    p.fillRect(r, fill);
    p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), pal::kBorder);
    p.fillRect(QRectF(r.right() - 1, r.top() + 6, 1, r.height() - 12), pal::kBorder);
}

// normal, hover, selected
void DrawTabItem(QPainter& p, const QRectF& r, int state) {
    if (state == 1) {
        p.fillRect(r, QColor(255, 255, 255, 8));
    } else if (state == 2) {
        p.fillRect(
            r, Vertical(r, pal::WithAlpha(pal::kAccent, 0.0), pal::WithAlpha(pal::kAccent, 0.12)));
        p.setPen(Qt::NoPen);
        p.setBrush(pal::kAccent);
        p.drawRoundedRect(QRectF(r.left() + 10, r.bottom() - 2, r.width() - 20, 2), 1, 1);
    }
}

void DrawTabHeadBg(QPainter& p, const QRectF& r, int) {
    p.fillRect(r, pal::kWindowDeep);
    p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), pal::kBorder);
}

// normal, hover, pressed
void DrawScrollThumb(QPainter& p, const QRectF& r, int state) {
    const QColor fill = state == 1   ? QColor(0x4F, 0x57, 0x66)
                        : state == 2 ? pal::WithAlpha(pal::kAccent, 0.75)
                                     : QColor(0x3A, 0x40, 0x4C);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    const QRectF pill = r.adjusted(2, 2, -2, -2);
    p.drawRoundedRect(pill, pill.width() / 2, pill.width() / 2);
}

void DrawMenuBg(QPainter& p, const QRectF& r, int) {
    Box(p, r, 6, QBrush(pal::kPanel), pal::kBorderLight);
}

// normal, hover
void DrawMenuItem(QPainter& p, const QRectF& r, int state) {
    if (state == 1) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal::WithAlpha(pal::kAccent, 0.16));
        p.drawRoundedRect(r.adjusted(4, 1, -4, -1), 4, 4);
    }
}

void DrawWindowBg(QPainter& p, const QRectF& r, int) {
    Box(p, r, 10, Vertical(r, QColor(0x19, 0x1B, 0x21), pal::kWindow), QColor(0x2A, 0x2F, 0x38));
    TopSheen(p, r, 12, 16);
}

constexpr std::string_view kButtonStates = "normal, hover, pressed, disabled";
constexpr std::string_view kMarkStates =
    "unchecked normal, hover, pushed, disabled; checked normal, hover, pushed, disabled";

constexpr ThemeImage kImages[] = {
    {"btn_normal", 72, 28, 4, kButtonStates, DrawButton},
    {"btn_primary", 72, 28, 4, kButtonStates, DrawPrimaryButton},
    {"caption_min", 36, 28, 4, kButtonStates, DrawCaptionMin},
    {"caption_max", 36, 28, 4, kButtonStates, DrawCaptionMax},
    {"caption_restore", 36, 28, 4, kButtonStates, DrawCaptionRestore},
    {"caption_close", 36, 28, 4, kButtonStates, DrawCaptionClose},
    {"caption_more", 36, 28, 4, kButtonStates, DrawCaptionMore},
    {"tool_add", 24, 24, 4, kButtonStates, DrawToolAdd},
    {"tool_remove", 24, 24, 4, kButtonStates, DrawToolRemove},
    {"tool_up", 24, 24, 4, kButtonStates, DrawToolUp},
    {"tool_down", 24, 24, 4, kButtonStates, DrawToolDown},
    {"tool_delete", 24, 24, 4, kButtonStates, DrawToolDelete},
    {"tool_clear", 24, 24, 4, kButtonStates, DrawToolClear},
    {"tool_import", 24, 24, 4, kButtonStates, DrawToolImport},
    {"tool_export", 24, 24, 4, kButtonStates, DrawToolExport},
    {"checkbox", 16, 16, 8, kMarkStates, DrawCheckBox},
    {"radio", 16, 16, 8, kMarkStates, DrawRadio},
    {"option_tile", 96, 32, 4, "normal, hover, pushed, checked", DrawOptionTile},
    {"slider_track", 32, 6, 2, "groove, filled", DrawSliderTrack},
    {"slider_thumb", 16, 16, 4, kButtonStates, DrawSliderThumb},
    {"combo_arrow", 16, 16, 4, kButtonStates, DrawComboArrow},
    {"edit_frame", 64, 28, 4, "normal, hover, focus, disabled", DrawEditFrame},
    {"list_bg", 64, 64, 1, "one look", DrawPanel},
    {"list_item", 64, 28, 3, "normal, hover, selected", DrawListItem},
    {"list_header", 64, 28, 3, "normal, hover, pressed", DrawListHeader},
    {"tab_item", 96, 32, 3, "normal, hover, selected", DrawTabItem},
    {"tab_head_bg", 64, 32, 1, "one look", DrawTabHeadBg},
    {"scroll_thumb", 10, 32, 3, "normal, hover, pressed", DrawScrollThumb},
    {"menu_bg", 64, 64, 1, "one look", DrawMenuBg},
    {"menu_item", 96, 26, 2, "normal, hover", DrawMenuItem},
    {"window_bg", 96, 96, 1, "one look", DrawWindowBg},
};

} // namespace

std::span<const ThemeImage> ThemeImages() {
    return kImages;
}

QImage RenderTheme(const ThemeImage& theme, int scale) {
    QImage image = NewCanvas(theme.frameWidth * theme.frames * scale, theme.frameHeight * scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    for (int state = 0; state < theme.frames; ++state) {
        const QRectF frame(state * theme.frameWidth, 0, theme.frameWidth, theme.frameHeight);
        p.save();
        p.setClipRect(frame);
        theme.draw(p, frame, state);
        p.restore();
    }
    p.end();
    return image;
}

} // namespace keywright::art
