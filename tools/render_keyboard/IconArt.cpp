#include "render_keyboard/IconArt.h"

#include "render_keyboard/Canvas.h"
#include "render_keyboard/Palette.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <algorithm>
#include <array>
#include <utility>

namespace keywright::art {

namespace pal = palette;

namespace {

constexpr std::array<int, 7> kSizes{16, 24, 32, 48, 64, 128, 256};

// The "K" legend as strokes, in a unit square, so it needs no font and stays
// the same at every size.
QPainterPath Letter(const QRectF& box) {
    const auto at = [&box](double x, double y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    QPainterPath k;
    k.moveTo(at(0.18, 0.0));
    k.lineTo(at(0.18, 1.0));
    k.moveTo(at(0.82, 0.0));
    k.lineTo(at(0.22, 0.58));
    k.moveTo(at(0.42, 0.40));
    k.lineTo(at(0.86, 1.0));
    return k;
}

} // namespace

std::span<const int> IconSizes() {
    return kSizes;
}

QImage RenderIcon(int size) {
    QImage image = NewCanvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const double s = size;
    const bool tiny = size < 32; // fewer details where they would only blur
    const double edge = std::max(1.0, s / 32.0);

    // The cap's skirt, with a rim lit cyan to magenta.
    const QRectF skirt = QRectF(0, 0, s, s).adjusted(edge / 2, edge / 2, -edge / 2, -edge / 2);
    QLinearGradient rim(skirt.topLeft(), skirt.bottomRight());
    rim.setColorAt(0.0, pal::kAccent);
    rim.setColorAt(1.0, pal::kAccentAlt);
    p.setPen(QPen(QBrush(rim), edge));
    QLinearGradient body(skirt.topLeft(), skirt.bottomLeft());
    body.setColorAt(0.0, QColor(0x2A, 0x2F, 0x39));
    body.setColorAt(1.0, QColor(0x10, 0x12, 0x16));
    p.setBrush(body);
    p.drawRoundedRect(skirt, s * 0.22, s * 0.22);

    // The top surface.
    const QRectF face = tiny ? skirt.adjusted(s * 0.14, s * 0.12, -s * 0.14, -s * 0.18)
                             : skirt.adjusted(s * 0.15, s * 0.11, -s * 0.15, -s * 0.22);
    if (!tiny) {
        p.setPen(QPen(QColor(255, 255, 255, 40), std::max(1.0, s / 64.0)));
        QLinearGradient top(face.topLeft(), face.bottomLeft());
        top.setColorAt(0.0, QColor(0x3A, 0x41, 0x4D));
        top.setColorAt(1.0, QColor(0x2A, 0x2F, 0x39));
        p.setBrush(top);
        p.drawRoundedRect(face, s * 0.12, s * 0.12);
    }

    // The legend, with a soft glow behind it on the larger sizes.
    const QRectF letter = face.adjusted(face.width() * 0.26, face.height() * 0.22,
                                        -face.width() * 0.22, -face.height() * 0.22);
    const double stroke = std::max(1.5, s * 0.085);
    p.setBrush(Qt::NoBrush);
    if (!tiny) {
        // Wide faint strokes under narrower brighter ones read as a glow.
        for (const auto& [width, alpha] : {std::pair{2.8, 0.05}, {2.1, 0.08}, {1.6, 0.14}}) {
            p.setPen(QPen(pal::WithAlpha(pal::kAccent, alpha), stroke * width, Qt::SolidLine,
                          Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(Letter(letter));
        }
    }
    p.setPen(QPen(pal::kAccentBright, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(Letter(letter));
    p.end();
    return image;
}

} // namespace keywright::art
