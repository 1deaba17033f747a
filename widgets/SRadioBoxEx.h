#pragma once

#include "ui/StockControls.h"
#include "widgets/ExButtonLook.h"

#include <QVariant>

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
class SRadioBoxEx : public ui::RadioBox {
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
    explicit SRadioBoxEx(QWidget* parent = nullptr);

    const QString& Skin() const { return look_.skin; }
    void SetSkin(const QString& name);
    const QString& FocusSkin() const { return look_.focusSkin; }
    void SetFocusSkin(const QString& name) { look_.focusSkin = name; }
    const QString& IconSkin() const { return look_.iconSkin; }
    void SetIconSkin(const QString& name);
    QPoint IconPos() const { return look_.iconPos; }
    void SetIconPos(QPoint pos);
    int TextX() const { return look_.textX; }
    int TextY() const { return look_.textY; }
    void SetTextOffset(int x, int y);
    Qt::Alignment TextAlign() const { return look_.textAlign; }
    void SetTextAlign(Qt::Alignment align);

    // What the next paint draws.
    ExButtonLook::Flags DrawFlags() const;
    QRect TextRect() const { return look_.TextRect(rect(), *this); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    bool hitButton(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString IconPosText() const;
    void SetIconPosText(const QString& text);
    QVariant TextXValue() const { return look_.textX; }
    void SetTextXValue(const QVariant& value);
    QVariant TextYValue() const { return look_.textY; }
    void SetTextYValue(const QVariant& value);

    ExButtonLook look_;
    bool hovered_ = false;
};

} // namespace keywright::widgets
