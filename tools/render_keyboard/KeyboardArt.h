#pragma once

#include "render_keyboard/PositionsFile.h"

#include <QImage>
#include <QString>
#include <span>
#include <string_view>

namespace keywright::art {

// The looks of the keyboard picture. Each picture shows every key in the same
// look; the keyboard map copies one key's rectangle out of a picture to show
// that key in that look, so nothing of a look may spill outside a key's rect.
enum class KeyLook { Normal, Floating, Checked, Pressed };

struct KeyboardPicture {
    KeyLook look;
    std::string_view file; // without ".png"; "@2x" is appended for scale 2
};

// normal, checked, pressed, floating: the pictures the resource package names
// "main:img_keboard_<look>_png".
std::span<const KeyboardPicture> KeyboardPictures();

// What is printed on a key: a main legend, an optional shifted legend drawn
// above it, or an arrow drawn as a shape.
struct Legend {
    enum class Arrow { None, Up, Down, Left, Right };
    QString main;
    QString shift;
    Arrow arrow = Arrow::None;
};

// The legend of a keyboard-page key: a short form of long names ("Esc",
// "PgUp", "Ctrl"), the US shifted symbol of punctuation and digits, the
// key's own name otherwise.
Legend LegendFor(const PositionKey& key);

// Renders the keyboard in one look at `scale` (1 or 2) times the size the
// positions file gives. Needs a QGuiApplication (fonts).
QImage RenderKeyboard(const PositionsFile& positions, KeyLook look, int scale);

} // namespace keywright::art
