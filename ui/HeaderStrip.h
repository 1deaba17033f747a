#pragma once

#include "ui/ListAdapter.h"

#include <QStringList>
#include <QWidget>
#include <vector>

namespace keywright::ui {

// The header of a McListView: one column per title, drawn in the style's
// header look with each column's sort mark; a click on a column reports it.
class HeaderStrip : public QWidget {
    Q_OBJECT
  public:
    explicit HeaderStrip(QWidget* parent = nullptr);

    void SetTitles(const QStringList& titles);
    const QStringList& Titles() const { return titles_; }
    int ColumnCount() const { return static_cast<int>(titles_.size()); }

    // Column widths in pixels; columns without a width share what is left of
    // the strip's width.
    void SetWidths(std::vector<int> widths);
    // Where column `column` is, in the strip's coordinates; empty outside
    // the columns.
    QRect ColumnRect(int column) const;
    // The column at `x`; -1 for none.
    int ColumnAt(int x) const;

    void SetMarks(std::vector<SortMark> marks);
    const std::vector<SortMark>& Marks() const { return marks_; }

    QSize sizeHint() const override;

  signals:
    void ColumnClicked(int column);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QStringList titles_;
    std::vector<int> widths_;
    std::vector<SortMark> marks_;
};

} // namespace keywright::ui
