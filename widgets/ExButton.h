#pragma once

#include "base/NumberText.h"
#include "widgets/Attributes.h"
#include "widgets/ExButtonLook.h"

#include <QEnterEvent>
#include <QPainter>
#include <QVariant>
#include <array>

namespace keywright::widgets {

// What SCheckBoxEx and SRadioBoxEx share: a toolkit button (Base) drawn
// entirely from skins by an ExButtonLook, with the look's layout attributes.
// The widgets themselves only name their class and declare the attributes as
// Qt properties (moc cannot see into a template).
template <class Base>
class ExButton : public Base {
  public:
    explicit ExButton(QWidget* parent) : Base(parent) {}

    const QString& Skin() const { return look_.skin; }
    void SetSkin(const QString& name) {
        look_.skin = name;
        this->updateGeometry();
        this->update();
    }
    const QString& FocusSkin() const { return look_.focusSkin; }
    void SetFocusSkin(const QString& name) { look_.focusSkin = name; }
    const QString& IconSkin() const { return look_.iconSkin; }
    void SetIconSkin(const QString& name) {
        look_.iconSkin = name;
        this->update();
    }
    QPoint IconPos() const { return look_.iconPos; }
    void SetIconPos(QPoint pos) {
        look_.iconPos = pos;
        this->update();
    }
    int TextX() const { return look_.textX; }
    int TextY() const { return look_.textY; }
    void SetTextOffset(int x, int y) {
        look_.textX = x;
        look_.textY = y;
        this->update();
    }
    Qt::Alignment TextAlign() const { return look_.textAlign; }
    void SetTextAlign(Qt::Alignment align) {
        look_.textAlign = align;
        this->update();
    }

    // What the next paint draws.
    ExButtonLook::Flags DrawFlags() const {
        return {this->isDown(), hovered_ && this->isEnabled(), this->isChecked(),
                !this->isEnabled()};
    }
    QRect TextRect() const { return look_.TextRect(this->rect(), *this); }

    QSize sizeHint() const override {
        const QSize skin = look_.SkinSize(*this);
        return skin.isValid() ? skin : Base::sizeHint();
    }
    QSize minimumSizeHint() const override {
        const QSize skin = look_.SkinSize(*this);
        return skin.isValid() ? skin : Base::minimumSizeHint();
    }

  protected:
    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        look_.Paint(painter, *this, DrawFlags());
    }
    void enterEvent(QEnterEvent* event) override {
        hovered_ = true;
        this->update();
        Base::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        hovered_ = false;
        this->update();
        Base::leaveEvent(event);
    }

    // The text forms of the attributes, for the Qt properties.
    QString IconPosText() const {
        return QStringLiteral("%1,%2").arg(look_.iconPos.x()).arg(look_.iconPos.y());
    }
    void SetIconPosText(const QString& text) {
        std::array<qint32, 2> xy{};
        ScanDecimals(text.toStdString(), xy);
        SetIconPos(QPoint(xy[0], xy[1]));
    }
    QVariant TextXValue() const { return look_.textX; }
    void SetTextXValue(const QVariant& value) {
        ApplyIntAttribute(value, look_.textX, "textX", this);
        this->update();
    }
    QVariant TextYValue() const { return look_.textY; }
    void SetTextYValue(const QVariant& value) {
        ApplyIntAttribute(value, look_.textY, "textY", this);
        this->update();
    }

  private:
    ExButtonLook look_;
    bool hovered_ = false;
};

} // namespace keywright::widgets
