#pragma once

#include "ui/Control.h"
#include "ui/TabBar.h"

#include <QTabWidget>

namespace keywright::ui {

// A tab control ("tabctrl"). Raises a tab page change whenever the current
// page changes (picked by the user or set from code), and a tab header hover
// and leave with the header's index as the pointer moves across the headers.
// Its pages are TabPages ("page") when loaded from a layout.
class TabCtrl : public QTabWidget, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("tabctrl", Control)
  public:
    // `bar` replaces the plain TabBar (a derived class may draw the headers);
    // the control owns it.
    explicit TabCtrl(QWidget* parent = nullptr, TabBar* bar = nullptr);

    int CurSel() const { return currentIndex(); }
    // False for an index outside the pages; nothing changes then.
    bool SetCurSel(int index);

    TabBar* Headers() const { return headers_; }

  private:
    void Raise(int eventId, int value, int previous = -1);

    TabBar* headers_;
    int shownIndex_ = -1;
};

} // namespace keywright::ui
