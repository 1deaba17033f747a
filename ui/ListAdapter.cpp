#include "ui/ListAdapter.h"

#include "ui/ListView.h"
#include "ui/Toolkit.h"

#include <QVBoxLayout>
#include <QWidget>

namespace keywright::ui {

bool RowTemplate::Build(QWidget* row) const {
    if (row == nullptr ||
        row->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        return false;
    Toolkit* toolkit = Toolkit::Instance();
    if (toolkit == nullptr)
        return false;
    // Built on its own and then put in place: events its controls raise
    // while it is built do not reach the list's window.
    QWidget* content = toolkit->LoadLayout(layoutId_, nullptr);
    if (content == nullptr)
        return false;
    // The row is as tall as the template was drawn and as wide as the list.
    row->setFixedHeight(content->height());
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
    content->show(); // the row may be on screen already
    return true;
}

ListAdapter::~ListAdapter() {
    for (ListView* view : views_)
        view->DetachAdapter();
}

void ListAdapter::NotifyDataSetChanged() {
    const std::vector<ListView*> views = views_;
    for (ListView* view : views)
        view->Refresh();
}

bool McListAdapter::SortMarks(int, std::vector<SortMark>&) {
    return false;
}

} // namespace keywright::ui
