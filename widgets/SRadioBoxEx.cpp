#include "widgets/SRadioBoxEx.h"

#include "widgets/Attributes.h"
#include "widgets/TextScan.h"

#include <QPainter>
#include <array>

namespace keywright::widgets {

SRadioBoxEx::SRadioBoxEx(QWidget* parent) : ui::RadioBox(parent) {}

void SRadioBoxEx::SetSkin(const QString& name) {
    look_.skin = name;
    updateGeometry();
    update();
}

void SRadioBoxEx::SetIconSkin(const QString& name) {
    look_.iconSkin = name;
    update();
}

void SRadioBoxEx::SetIconPos(QPoint pos) {
    look_.iconPos = pos;
    update();
}

void SRadioBoxEx::SetTextOffset(int x, int y) {
    look_.textX = x;
    look_.textY = y;
    update();
}

void SRadioBoxEx::SetTextAlign(Qt::Alignment align) {
    look_.textAlign = align;
    update();
}

QString SRadioBoxEx::IconPosText() const {
    return QStringLiteral("%1,%2").arg(look_.iconPos.x()).arg(look_.iconPos.y());
}

void SRadioBoxEx::SetIconPosText(const QString& text) {
    std::array<qint32, 2> xy{};
    ScanDecimals(text.toStdString(), xy);
    SetIconPos(QPoint(xy[0], xy[1]));
}

void SRadioBoxEx::SetTextXValue(const QVariant& value) {
    ApplyIntAttribute(value, look_.textX, "textX", this);
    update();
}

void SRadioBoxEx::SetTextYValue(const QVariant& value) {
    ApplyIntAttribute(value, look_.textY, "textY", this);
    update();
}

ExButtonLook::Flags SRadioBoxEx::DrawFlags() const {
    return {isDown(), hovered_ && isEnabled(), isChecked(), !isEnabled()};
}

QSize SRadioBoxEx::sizeHint() const {
    const QSize skin = look_.SkinSize(*this);
    return skin.isValid() ? skin : ui::RadioBox::sizeHint();
}

QSize SRadioBoxEx::minimumSizeHint() const {
    const QSize skin = look_.SkinSize(*this);
    return skin.isValid() ? skin : ui::RadioBox::minimumSizeHint();
}

bool SRadioBoxEx::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void SRadioBoxEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    look_.Paint(painter, *this, DrawFlags());
}

void SRadioBoxEx::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    ui::RadioBox::enterEvent(event);
}

void SRadioBoxEx::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    ui::RadioBox::leaveEvent(event);
}

} // namespace keywright::widgets
