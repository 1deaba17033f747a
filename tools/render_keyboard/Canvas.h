#pragma once

#include <QImage>

namespace keywright::art {

// A transparent image to paint on. Straight (not premultiplied) alpha, as PNG
// stores it: saving then needs no format conversion, which Qt would spread
// over worker threads that the thread sanitizer cannot see into.
inline QImage NewCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

} // namespace keywright::art
