#include "ui/TabBar.h"

#include <QMouseEvent>

namespace keywright::ui {

TabBar::TabBar(QWidget* parent) : QTabBar(parent) {
    setMouseTracking(true);
}

void TabBar::mouseMoveEvent(QMouseEvent* event) {
    MoveTo(tabAt(event->position().toPoint()));
    QTabBar::mouseMoveEvent(event);
}

void TabBar::leaveEvent(QEvent* event) {
    MoveTo(-1);
    QTabBar::leaveEvent(event);
}

void TabBar::tabRemoved(int index) {
    // The header under the pointer may be gone or have moved; the next move
    // tells again.
    if (hovered_ >= index)
        hovered_ = -1;
    QTabBar::tabRemoved(index);
}

void TabBar::MoveTo(int index) {
    if (index == hovered_)
        return;
    const int left = hovered_;
    hovered_ = index;
    if (left >= 0)
        emit HeaderLeft(left);
    if (index >= 0)
        emit HeaderEntered(index);
}

} // namespace keywright::ui
