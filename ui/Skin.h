#pragma once

#include <QPixmap>
#include <QRect>
#include <QSize>

class QPainter;

namespace keywright::ui {

// An image cut into N state frames laid side by side, drawn one frame at a
// time. The pixmap may carry a device pixel ratio above 1 (a 200 % image):
// sizes are then in device-independent pixels and drawing keeps every image
// pixel.
class Skin {
  public:
    Skin() = default; // the null skin: no states, draws nothing
    // `states` below 1 gives the null skin. A strip whose width is not a
    // multiple of `states` leaves its last columns unused.
    Skin(QPixmap strip, int states);

    bool IsNull() const { return states_ == 0; }
    int States() const { return states_; }
    // One frame, in device-independent pixels.
    QSize Size() const;
    // The frame of `state` in the pixmap's own pixels; empty outside
    // 0 .. States() - 1.
    QRect FrameRect(int state) const;

    // Draws frame `state` stretched into `target`; a state outside
    // 0 .. States() - 1 draws nothing.
    void Draw(QPainter& painter, const QRectF& target, int state) const;

    const QPixmap& Pixmap() const { return strip_; }

  private:
    QPixmap strip_;
    int states_ = 0;
};

} // namespace keywright::ui
