#include "ui/ListView.h"

#include "ui/StockControls.h"

#include <QMouseEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace keywright::ui {
ListView::ListView(QWidget* parent)
    : QScrollArea(parent), content_(new QWidget), column_(new QVBoxLayout(content_)) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    column_->addStretch(1);
    setWidget(content_);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

ListView::~ListView() {
    if (adapter_ != nullptr)
        std::erase(adapter_->views_, this);
}

void ListView::SetAdapter(ListAdapter* adapter) {
    if (adapter_ != nullptr)
        std::erase(adapter_->views_, this);
    adapter_ = adapter;
    if (adapter_ != nullptr)
        adapter_->views_.push_back(this);
    Refresh();
}

void ListView::SetRowTemplateId(const QString& layoutId) {
    rowTemplate_ = RowTemplate(layoutId);
}

QWidget* ListView::Row(int position) const {
    if (position < 0 || position >= RowCount())
        return nullptr;
    return rows_[static_cast<size_t>(position)];
}

bool ListView::SetSelected(int position, bool notify) {
    if (position < -1 || position >= RowCount())
        return false;
    const int previous = selected_;
    if (position == previous)
        return true;
    MarkSelected(previous, false);
    selected_ = position;
    MarkSelected(position, true);
    if (notify) {
        Event event;
        event.id = kSelChangedEvent;
        event.value = position;
        event.previous = previous;
        RaiseEvent(this, event);
    }
    return true;
}

void ListView::Refresh() {
    const int count = adapter_ != nullptr ? std::max(adapter_->RowCount(), 0) : 0;
    // Rows go later, not now: the refresh may come from a handler of the
    // very row that is going away.
    while (RowCount() > count) {
        QWidget* row = rows_.back();
        rows_.pop_back();
        row->hide();
        column_->removeWidget(row);
        row->deleteLater();
    }
    while (RowCount() < count) {
        auto* row = new Window(content_);
        // Rows are plain widgets: without this the style sheet cannot paint
        // their background, and the selected row would not show.
        row->setAttribute(Qt::WA_StyledBackground);
        row->setProperty("selected", false);
        column_->insertWidget(RowCount(), row);
        row->show(); // at once, not when the layout gets round to it
        rows_.push_back(row);
    }
    if (selected_ >= count)
        selected_ = -1;
    // A fill that refreshes the list again leaves fewer rows to fill here.
    for (int position = 0; position < count && position < RowCount(); ++position) {
        QWidget* row = rows_[static_cast<size_t>(position)];
        adapter_->FillRow(position, row, rowTemplate_);
        ArrangeRow(row);
        Watch(row);
        MarkSelected(position, position == selected_);
    }
    // Rows take their places now, filled and at their height, rather than
    // at the next layout pass: a click that follows finds them there.
    column_->activate();
}

void ListView::Watch(QWidget* row) {
    // A press on any part of the row selects it, including parts that take
    // the press themselves (an edit). Installing again changes nothing.
    row->installEventFilter(this);
    for (QWidget* part : row->findChildren<QWidget*>())
        part->installEventFilter(this);
}

void ListView::MarkSelected(int position, bool selected) {
    QWidget* row = Row(position);
    if (row == nullptr || row->property("selected").toBool() == selected)
        return;
    row->setProperty("selected", selected);
    row->style()->unpolish(row);
    row->style()->polish(row);
    row->update();
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress)
        return QScrollArea::eventFilter(watched, event);
    const auto* press = static_cast<QMouseEvent*>(event);
    auto* part = qobject_cast<QWidget*>(watched);
    QWidget* row = part;
    while (row != nullptr && row->parentWidget() != content_)
        row = row->parentWidget();
    const auto it = std::find(rows_.begin(), rows_.end(), row);
    if (press->button() != Qt::LeftButton || it == rows_.end())
        return QScrollArea::eventFilter(watched, event);
    // A press the part under the pointer does not take travels on to its
    // parents, through their filters too; only the part under the pointer
    // acts, so one press is one click.
    QWidget* under = row->childAt(row->mapFromGlobal(press->globalPosition().toPoint()));
    if ((under != nullptr ? under : row) != part)
        return QScrollArea::eventFilter(watched, event);
    SetSelected(static_cast<int>(it - rows_.begin()));
    Event command;
    command.id = kCommandEvent;
    RaiseEvent(row, command);
    return false; // the part still gets its press
}

} // namespace keywright::ui
