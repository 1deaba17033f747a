#pragma once

#include "ui/StockControls.h"
#include "widgets/ExButton.h"

namespace keywright::widgets {

// The extended radio button ("radioex"): a radio button drawn entirely from
// skins. A click selects it in its group (the radio buttons of the same
// parent) and raises its command, as the toolkit's radio button does.
//
// Layout attributes:
//   "skin"       skin over the whole button: normal, hover, pushed, ...,
//                checked (its last state)
//   "focusSkin"  kept; no focus mark is drawn
//   "iconSkin"   eight states: unchecked normal, hover, pushed, disabled,
//                then the same checked; drawn at its own size at "iconPos"
//   "iconPos"    "x,y" from the top-left corner
//   "textX", "textY"  extra offsets of the text (decimal or 0x text)
//   "textAlign"  alignment of the text in its rectangle (left, top by
//                default)
// The natural size is the size of "skin" when there is one.
class SRadioBoxEx : public ExButton<ui::RadioBox> {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("radioex", ui::RadioBox)
    Q_PROPERTY(QString skin READ Skin WRITE SetSkin)
    Q_PROPERTY(QString focusSkin READ FocusSkin WRITE SetFocusSkin)
    Q_PROPERTY(QString iconSkin READ IconSkin WRITE SetIconSkin)
    Q_PROPERTY(QString iconPos READ IconPosText WRITE SetIconPosText)
    Q_PROPERTY(QVariant textX READ TextXValue WRITE SetTextXValue)
    Q_PROPERTY(QVariant textY READ TextYValue WRITE SetTextYValue)
    Q_PROPERTY(Qt::Alignment textAlign READ TextAlign WRITE SetTextAlign)

  public:
    explicit SRadioBoxEx(QWidget* parent = nullptr) : ExButton<ui::RadioBox>(parent) {}
};

} // namespace keywright::widgets
