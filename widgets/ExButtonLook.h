#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <Qt>

class QAbstractButton;
class QPainter;

namespace keywright::widgets {

// The look shared by SCheckBoxEx and SRadioBoxEx: a background skin over the
// whole button, an icon skin at an offset, and the text beside the icon.
class ExButtonLook {
  public:
    // The button's state as the skins see it.
    struct Flags {
        bool pushed = false;
        bool hovered = false;
        bool checked = false;
        bool disabled = false;
    };

    // The state of the background skin ("skin"): 2 pushed, 1 hovered, else 0,
    // but the last of its `states` when checked and neither pushed nor
    // hovered (so a checked button under the pointer shows the hover look).
    static int SkinState(const Flags& flags, int states);
    // The state of the icon skin ("iconSkin"): normal 0, hover 1, pushed 2,
    // disabled 3 (disabled first, then pushed, then hovered), plus 4 when
    // checked.
    static int IconState(const Flags& flags);

    // Where the text goes in `client`: its left edge moved right by text
    // offset x + icon offset x + the icon skin's width, its top edge moved
    // down by text offset y + icon offset y.
    QRect TextRect(const QRect& client, const QAbstractButton& button) const;

    // Draws the skin, the icon and the text, in that order. No focus mark.
    void Paint(QPainter& painter, const QAbstractButton& button, const Flags& flags) const;

    // The background skin's size; an invalid size without one.
    QSize SkinSize(const QAbstractButton& button) const;

    QString skin;      // "skin"
    QString focusSkin; // "focusSkin": kept; no focus mark is drawn
    QString iconSkin;  // "iconSkin"
    QPoint iconPos;    // "iconPos"
    int textX = 0;     // "textX"
    int textY = 0;     // "textY"
    Qt::Alignment textAlign = Qt::AlignLeft | Qt::AlignTop; // "textAlign"
};

} // namespace keywright::widgets
