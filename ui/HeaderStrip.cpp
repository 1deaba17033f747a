#include "ui/HeaderStrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace keywright::ui {

HeaderStrip::HeaderStrip(QWidget* parent) : QWidget(parent) {}

void HeaderStrip::SetTitles(const QStringList& titles) {
    titles_ = titles;
    marks_.resize(titles_.size(), SortMark::None);
    update();
}

void HeaderStrip::SetWidths(std::vector<int> widths) {
    widths_ = std::move(widths);
    update();
}

QRect HeaderStrip::ColumnRect(int column) const {
    const int count = ColumnCount();
    if (column < 0 || column >= count)
        return {};
    int fixed = 0;
    int shared = 0;
    for (int i = 0; i < count; ++i) {
        const int w = i < static_cast<int>(widths_.size()) ? widths_[i] : -1;
        if (w >= 0)
            fixed += w;
        else
            ++shared;
    }
    const int share = shared > 0 ? std::max(width() - fixed, 0) / shared : 0;
    int x = 0;
    for (int i = 0; i < count; ++i) {
        const int w = i < static_cast<int>(widths_.size()) && widths_[i] >= 0 ? widths_[i] : share;
        if (i == column)
            return QRect(x, 0, w, height());
        x += w;
    }
    return {};
}

int HeaderStrip::ColumnAt(int x) const {
    for (int i = 0; i < ColumnCount(); ++i) {
        const QRect r = ColumnRect(i);
        if (x >= r.left() && x <= r.right())
            return i;
    }
    return -1;
}

void HeaderStrip::SetMarks(std::vector<SortMark> marks) {
    marks_ = std::move(marks);
    marks_.resize(titles_.size(), SortMark::None);
    update();
}

QSize HeaderStrip::sizeHint() const {
    QStyleOptionHeader option;
    option.initFrom(this);
    option.text = QStringLiteral("Ag");
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
}

void HeaderStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < ColumnCount(); ++i) {
        QStyleOptionHeader option;
        option.initFrom(this);
        option.rect = ColumnRect(i);
        option.section = i;
        option.text = titles_.at(i);
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        switch (marks_[static_cast<size_t>(i)]) {
        case SortMark::None:
            option.sortIndicator = QStyleOptionHeader::None;
            break;
        case SortMark::Ascending:
            option.sortIndicator = QStyleOptionHeader::SortUp;
            break;
        case SortMark::Descending:
            option.sortIndicator = QStyleOptionHeader::SortDown;
            break;
        }
        const int count = ColumnCount();
        option.position = count == 1       ? QStyleOptionHeader::OnlyOneSection
                          : i == 0         ? QStyleOptionHeader::Beginning
                          : i == count - 1 ? QStyleOptionHeader::End
                                           : QStyleOptionHeader::Middle;
        style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    }
}

void HeaderStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int column = ColumnAt(event->position().toPoint().x());
        if (column >= 0)
            emit ColumnClicked(column);
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace keywright::ui
