#pragma once

#include "ui/HeaderStrip.h"
#include "ui/ListView.h"

#include <QStringList>

namespace keywright::ui {

// A list whose rows sit under a header of columns ("mclistview"), fed by a
// McListAdapter. The layout gives the column titles in the property
// "headers" and, optionally, their widths in pixels in "columnWidths"
// ("60,120,90"; columns without a width share the rest). In each row the
// child named by the adapter's ColumnName(i) is placed under column i, so
// the cells of a row template are children of its top widget, without a
// layout of their own. A click on a column asks the adapter for the new sort
// marks (McListAdapter::SortMarks).
class McListView : public ListView {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("mclistview", ListView)
    Q_PROPERTY(QStringList headers READ Headers WRITE SetHeaders)
    Q_PROPERTY(QString columnWidths READ ColumnWidths WRITE SetColumnWidths)
  public:
    explicit McListView(QWidget* parent = nullptr);

    // The header titles as written (untranslated).
    const QStringList& Headers() const { return headers_; }
    void SetHeaders(const QStringList& titles);
    const QString& ColumnWidths() const { return columnWidths_; }
    void SetColumnWidths(const QString& widths);

    HeaderStrip* Header() const { return header_; }
    const std::vector<SortMark>& Marks() const { return header_->Marks(); }
    // What a click on column `column` does.
    void ClickColumn(int column);

    void Retranslate() override;

  protected:
    void ArrangeRow(QWidget* row) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceHeader();

    HeaderStrip* header_;
    QStringList headers_;
    QString columnWidths_;
};

} // namespace keywright::ui
