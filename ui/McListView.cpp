#include "ui/McListView.h"

#include "ui/NumberText.h"
#include "ui/WindowTexts.h"
#include "ui/WindowTree.h"

namespace keywright::ui {

McListView::McListView(QWidget* parent) : ListView(parent), header_(new HeaderStrip(this)) {
    connect(header_, &HeaderStrip::ColumnClicked, this, &McListView::ClickColumn);
    PlaceHeader();
}

void McListView::SetHeaders(const QStringList& titles) {
    headers_ = titles;
    Retranslate();
}

void McListView::SetColumnWidths(const QString& widths) {
    columnWidths_ = widths;
    std::vector<int> pixels;
    for (const QString& part : widths.split(u',')) {
        const auto value = ParseNumber(part);
        pixels.push_back(value && *value >= 0 ? static_cast<int>(*value) : -1);
    }
    header_->SetWidths(std::move(pixels));
    for (int i = 0; i < RowCount(); ++i)
        ArrangeRow(Row(i));
}

void McListView::ClickColumn(int column) {
    auto* adapter = dynamic_cast<McListAdapter*>(Adapter());
    if (adapter == nullptr || column < 0 || column >= header_->ColumnCount())
        return;
    std::vector<SortMark> marks = header_->Marks();
    if (adapter->SortMarks(column, marks))
        header_->SetMarks(std::move(marks));
}

void McListView::Retranslate() {
    QStringList shown;
    for (const QString& title : headers_)
        shown.push_back(Tr(title));
    header_->SetTitles(shown);
}

void McListView::ArrangeRow(QWidget* row) {
    const auto* adapter = dynamic_cast<const McListAdapter*>(Adapter());
    if (adapter == nullptr || row == nullptr)
        return;
    for (int column = 0; column < header_->ColumnCount(); ++column) {
        QWidget* cell = FindByName(row, adapter->ColumnName(column));
        if (cell == nullptr)
            continue;
        const QRect place = header_->ColumnRect(column);
        cell->setGeometry(place.x(), 0, place.width(), row->height());
    }
}

void McListView::resizeEvent(QResizeEvent* event) {
    ListView::resizeEvent(event);
    PlaceHeader();
    for (int i = 0; i < RowCount(); ++i)
        ArrangeRow(Row(i));
}

void McListView::PlaceHeader() {
    const int height = header_->sizeHint().height();
    setViewportMargins(0, height, 0, 0);
    const QRect area = viewport()->geometry();
    header_->setGeometry(area.x(), area.y() - height, area.width(), height);
}

} // namespace keywright::ui
