#pragma once

#include <QColor>

// The theme's colours, shared by the keyboard pictures and the theme images.
// Layout styles use the same values (tools/README.md lists them).
namespace keywright::art::palette {

inline const QColor kWindow{0x15, 0x17, 0x1C};      // window background
inline const QColor kWindowDeep{0x10, 0x12, 0x16};  // title bar, sunken wells
inline const QColor kPanel{0x1C, 0x1F, 0x26};       // cards, lists, menus
inline const QColor kRaised{0x26, 0x2A, 0x33};      // buttons, list hover
inline const QColor kRaisedHover{0x30, 0x35, 0x40}; // hovered buttons
inline const QColor kBorder{0x2E, 0x33, 0x3D};      // panel and control borders
inline const QColor kBorderLight{0x44, 0x4B, 0x58}; // hovered borders
inline const QColor kText{0xE6, 0xE9, 0xEF};        // primary text
inline const QColor kTextDim{0x9A, 0xA3, 0xB2};     // secondary text, captions
inline const QColor kTextDisabled{0x5A, 0x61, 0x70};
inline const QColor kAccent{0x22, 0xD3, 0xEE};       // cyan: selection, focus, checked
inline const QColor kAccentBright{0x7D, 0xEE, 0xFF}; // accent text on dark, hover
inline const QColor kAccentDeep{0x0E, 0x9F, 0xB8};   // pressed accent
inline const QColor kAccentInk{0x04, 0x20, 0x26};    // text on accent fills
inline const QColor kAccentAlt{0xD9, 0x46, 0xEF};    // magenta: second accent, glow tint
inline const QColor kDanger{0xE5, 0x48, 0x4D};       // close button, destructive
inline const QColor kDangerDeep{0xB8, 0x32, 0x37};

// `color` with its alpha set to `alpha` (0..1).
inline QColor WithAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// A straight mix: 0 gives `a`, 1 gives `b`.
inline QColor Mix(const QColor& a, const QColor& b, double t) {
    const auto channel = [t](int x, int y) {
        return static_cast<int>(x + (y - x) * t + 0.5);
    };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()), channel(a.alpha(), b.alpha()));
}

} // namespace keywright::art::palette
