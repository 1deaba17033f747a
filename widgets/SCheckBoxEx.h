#pragma once

#include "ui/StockControls.h"
#include "widgets/ExButton.h"

namespace keywright::widgets {

// The extended check box ("checkex"): a check box drawn entirely from skins.
// It toggles and raises its command as the toolkit's check box does.
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
class SCheckBoxEx : public ExButton<ui::CheckBox> {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("checkex", ui::CheckBox)
    Q_PROPERTY(QString skin READ Skin WRITE SetSkin)
    Q_PROPERTY(QString focusSkin READ FocusSkin WRITE SetFocusSkin)
    Q_PROPERTY(QString iconSkin READ IconSkin WRITE SetIconSkin)
    Q_PROPERTY(QString iconPos READ IconPosText WRITE SetIconPosText)
    Q_PROPERTY(QVariant textX READ TextXValue WRITE SetTextXValue)
    Q_PROPERTY(QVariant textY READ TextYValue WRITE SetTextYValue)
    Q_PROPERTY(Qt::Alignment textAlign READ TextAlign WRITE SetTextAlign)

  public:
    explicit SCheckBoxEx(QWidget* parent = nullptr) : ExButton<ui::CheckBox>(parent) {}
};

} // namespace keywright::widgets
