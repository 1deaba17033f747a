#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <span>
#include <string_view>

namespace keywright::art {

// One theme image: a horizontal strip of `frames` state frames, each
// frameWidth x frameHeight at 100 %, state 0 leftmost.
struct ThemeImage {
    std::string_view file; // without ".png"; "@2x" is appended for scale 2
    int frameWidth;
    int frameHeight;
    int frames;
    std::string_view states; // the state order, for tools/README.md and messages
    void (*draw)(QPainter& p, const QRectF& frame, int state);
};

std::span<const ThemeImage> ThemeImages();

// The strip at `scale` (1 or 2): frames * frameWidth * scale wide.
QImage RenderTheme(const ThemeImage& image, int scale);

} // namespace keywright::art
