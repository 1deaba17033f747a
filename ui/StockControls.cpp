#include "ui/StockControls.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace keywright::ui {
namespace {

void RaiseCommand(QWidget* sender) {
    Event event;
    event.id = kCommandEvent;
    RaiseEvent(sender, event);
}

} // namespace

Window::Window(QWidget* parent) : QWidget(parent) {}

Button::Button(QWidget* parent) : QPushButton(parent) {
    connect(this, &QAbstractButton::clicked, this, [this] { RaiseCommand(this); });
}

ImageButton::ImageButton(QWidget* parent) : Button(parent) {}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QAbstractButton::clicked, this, [this] { RaiseCommand(this); });
}

RadioBox::RadioBox(QWidget* parent) : QRadioButton(parent) {
    connect(this, &QAbstractButton::clicked, this, [this] { RaiseCommand(this); });
}

void RadioBox::SetCheck(bool checked) {
    // An auto-exclusive radio refuses to uncheck itself while it is the
    // checked one of its group.
    const bool exclusive = autoExclusive();
    setAutoExclusive(exclusive && checked);
    setChecked(checked);
    setAutoExclusive(exclusive);
}

Text::Text(QWidget* parent) : QLabel(parent) {}

void Text::SetElide(bool elide) {
    elide_ = elide;
    update();
}

QString Text::ShownText() const {
    if (!elide_)
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void Text::paintEvent(QPaintEvent* event) {
    if (!elide_ || wordWrap() || textFormat() == Qt::RichText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), ShownText(), foregroundRole());
}

Edit::Edit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        Event event;
        event.id = kEditChangedEvent;
        RaiseEvent(this, event);
    });
}

TabPage::TabPage(QWidget* parent) : QWidget(parent) {}

} // namespace keywright::ui
