#pragma once

#include "ui/TabBar.h"

namespace keywright::widgets {

class STabCtrl2;

// The header strip of an STabCtrl2: the toolkit's header strip, drawn by its
// tab control (skins, titles and the icon animations of the pages).
class STabHeaderBar : public ui::TabBar {
    Q_OBJECT
  public:
    // `owner` draws the headers; it owns the bar and outlives it.
    explicit STabHeaderBar(STabCtrl2& owner);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    STabCtrl2& owner_;
};

} // namespace keywright::widgets
