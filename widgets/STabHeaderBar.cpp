#include "widgets/STabHeaderBar.h"

#include "widgets/STabCtrl2.h"

#include <QPainter>

namespace keywright::widgets {

STabHeaderBar::STabHeaderBar(STabCtrl2& owner) : owner_(owner) {}

void STabHeaderBar::paintEvent(QPaintEvent* event) {
    const bool ownHeaders = owner_.DrawsWholeHeaders();
    if (!ownHeaders)
        ui::TabBar::paintEvent(event); // the style's headers and titles
    QPainter painter(this);
    owner_.PaintHeaders(painter, ownHeaders);
}

} // namespace keywright::widgets
