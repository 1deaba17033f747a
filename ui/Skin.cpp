#include "ui/Skin.h"

#include <QPainter>
#include <cmath>

namespace keywright::ui {

Skin::Skin(QPixmap strip, int states) {
    if (states < 1 || strip.isNull())
        return;
    strip_ = std::move(strip);
    states_ = states;
}

QSize Skin::Size() const {
    if (IsNull())
        return {};
    const qreal ratio = strip_.devicePixelRatio();
    const int frameWidth = strip_.width() / states_;
    return QSize(static_cast<int>(std::lround(frameWidth / ratio)),
                 static_cast<int>(std::lround(strip_.height() / ratio)));
}

QRect Skin::FrameRect(int state) const {
    if (state < 0 || state >= states_)
        return {};
    const int frameWidth = strip_.width() / states_;
    return QRect(state * frameWidth, 0, frameWidth, strip_.height());
}

void Skin::Draw(QPainter& painter, const QRectF& target, int state) const {
    const QRect source = FrameRect(state);
    if (source.isEmpty() || target.isEmpty())
        return;
    painter.drawPixmap(target, strip_, source);
}

} // namespace keywright::ui
