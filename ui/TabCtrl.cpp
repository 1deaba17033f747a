#include "ui/TabCtrl.h"

namespace keywright::ui {

TabCtrl::TabCtrl(QWidget* parent, TabBar* bar)
    : QTabWidget(parent), headers_(bar != nullptr ? bar : new TabBar) {
    setTabBar(headers_);
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = shownIndex_;
        shownIndex_ = index;
        if (index != previous)
            Raise(kTabSelChangedEvent, index, previous);
    });
    connect(headers_, &TabBar::HeaderEntered, this,
            [this](int index) { Raise(kTabItemHoverEvent, index); });
    connect(headers_, &TabBar::HeaderLeft, this,
            [this](int index) { Raise(kTabItemLeaveEvent, index); });
}

bool TabCtrl::SetCurSel(int index) {
    if (index < 0 || index >= count())
        return false;
    setCurrentIndex(index);
    return true;
}

void TabCtrl::Raise(int eventId, int value, int previous) {
    Event event;
    event.id = eventId;
    event.value = value;
    event.previous = previous;
    RaiseEvent(this, event);
}

} // namespace keywright::ui
