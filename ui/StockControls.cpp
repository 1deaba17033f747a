#include "ui/StockControls.h"

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

Edit::Edit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        Event event;
        event.id = kEditChangedEvent;
        RaiseEvent(this, event);
    });
}

TabPage::TabPage(QWidget* parent) : QWidget(parent) {}

} // namespace keywright::ui
