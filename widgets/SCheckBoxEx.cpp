#include "widgets/SCheckBoxEx.h"

#include "widgets/Attributes.h"
#include "widgets/TextScan.h"

#include <QPainter>
#include <array>

namespace keywright::widgets {

SCheckBoxEx::SCheckBoxEx(QWidget* parent) : ui::CheckBox(parent) {}

void SCheckBoxEx::SetSkin(const QString& name) {
    look_.skin = name;
    updateGeometry();
    update();
}

void SCheckBoxEx::SetIconSkin(const QString& name) {
    look_.iconSkin = name;
    update();
}

void SCheckBoxEx::SetIconPos(QPoint pos) {
    look_.iconPos = pos;
    update();
}

void SCheckBoxEx::SetTextOffset(int x, int y) {
    look_.textX = x;
    look_.textY = y;
    update();
}

void SCheckBoxEx::SetTextAlign(Qt::Alignment align) {
    look_.textAlign = align;
    update();
}

QString SCheckBoxEx::IconPosText() const {
    return QStringLiteral("%1,%2").arg(look_.iconPos.x()).arg(look_.iconPos.y());
}

void SCheckBoxEx::SetIconPosText(const QString& text) {
    std::array<qint32, 2> xy{};
    ScanDecimals(text.toStdString(), xy);
    SetIconPos(QPoint(xy[0], xy[1]));
}

void SCheckBoxEx::SetTextXValue(const QVariant& value) {
    ApplyIntAttribute(value, look_.textX, "textX", this);
    update();
}

void SCheckBoxEx::SetTextYValue(const QVariant& value) {
    ApplyIntAttribute(value, look_.textY, "textY", this);
    update();
}

ExButtonLook::Flags SCheckBoxEx::DrawFlags() const {
    return {isDown(), hovered_ && isEnabled(), isChecked(), !isEnabled()};
}

QSize SCheckBoxEx::sizeHint() const {
    const QSize skin = look_.SkinSize(*this);
    return skin.isValid() ? skin : ui::CheckBox::sizeHint();
}

QSize SCheckBoxEx::minimumSizeHint() const {
    const QSize skin = look_.SkinSize(*this);
    return skin.isValid() ? skin : ui::CheckBox::minimumSizeHint();
}

bool SCheckBoxEx::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void SCheckBoxEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    look_.Paint(painter, *this, DrawFlags());
}

void SCheckBoxEx::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    ui::CheckBox::enterEvent(event);
}

void SCheckBoxEx::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    ui::CheckBox::leaveEvent(event);
}

} // namespace keywright::widgets
