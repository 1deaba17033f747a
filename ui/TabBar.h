#pragma once

#include <QTabBar>

namespace keywright::ui {

// The header strip of a TabCtrl. Tells which header the pointer is over:
// HeaderEntered(i) when it moves onto header i, HeaderLeft(i) when it moves
// off it (onto another header, onto no header, or out of the strip).
// A tab control with headers of its own drawing derives from this class.
class TabBar : public QTabBar {
    Q_OBJECT
  public:
    explicit TabBar(QWidget* parent = nullptr);

    // The header under the pointer; -1 for none.
    int HoveredHeader() const { return hovered_; }

  signals:
    void HeaderEntered(int index);
    void HeaderLeft(int index);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void tabRemoved(int index) override;

  private:
    void MoveTo(int index);

    int hovered_ = -1;
};

} // namespace keywright::ui
