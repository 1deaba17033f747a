#include "widgets/SEditEx.h"

#include "widgets/EventKeyEnter.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace keywright::widgets {

SEditEx::SEditEx(QWidget* parent) : ui::Edit(parent) {}

QColor SEditEx::CueColor() const {
    return palette().color(QPalette::PlaceholderText);
}

void SEditEx::SetCueColor(const QColor& color) {
    QPalette shades = palette();
    shades.setColor(QPalette::PlaceholderText, color);
    setPalette(shades);
}

bool SEditEx::event(QEvent* event) {
    // Handled ahead of QWidget::event, which drops mouse messages to a
    // disabled widget.
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (testAttribute(Qt::WA_ForceDisabled)) {
                setEnabled(true);
                // Qt focuses a clicked widget before delivering the press, but
                // not a disabled one; do it now that it can take the focus.
                if (isEnabled() && (focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus)
                    setFocus(Qt::MouseFocusReason);
            }
            event->accept();
            return true;
        }
    }
    return ui::Edit::event(event);
}

void SEditEx::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        ui::Event enter;
        enter.id = EventKeyEnter::kId;
        ui::RaiseEvent(this, enter);
        return;
    }
    ui::Edit::keyPressEvent(event);
}

} // namespace keywright::widgets
