#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace keywright::ui {

class ListView;

// The row template of a list view: a layout (a Designer file of the package)
// that each row is built from.
class RowTemplate {
  public:
    explicit RowTemplate(QString layoutId = {}) : layoutId_(std::move(layoutId)) {}

    const QString& LayoutId() const { return layoutId_; }

    // Builds `row` from the template unless it already has child widgets.
    // True when it built the row; false when the row was built before or the
    // template cannot be loaded (the row then stays empty).
    bool Build(QWidget* row) const;

  private:
    QString layoutId_;
};

// What a list view shows. The view asks for the number of rows and has each
// row filled on demand: FillRow gets an empty row the first time and the same
// row again on later refreshes, so it builds the row from the template only
// when the row has no children yet, and subscribes with a tag (Control::
// Subscribe) so that refills keep one subscription.
class ListAdapter {
  public:
    ListAdapter() = default;
    virtual ~ListAdapter(); // detaches from its views
    ListAdapter(const ListAdapter&) = delete;
    ListAdapter& operator=(const ListAdapter&) = delete;

    virtual int RowCount() = 0;
    virtual void FillRow(int position, QWidget* row, const RowTemplate& rowTemplate) = 0;

    // Every view showing this adapter rebuilds its rows now.
    void NotifyDataSetChanged();

  private:
    friend class ListView;
    std::vector<ListView*> views_;
};

// The mark a header column shows.
enum class SortMark { None, Ascending, Descending };

// What a multi-column list view shows: rows as for ListAdapter, whose cells
// sit under the header columns.
class McListAdapter : public ListAdapter {
  public:
    // The name of the cell of a row that sits under header column `column`
    // (counted from 0); the view places that child of each row at the column.
    virtual QString ColumnName(int column) const = 0;

    // A header column was clicked. `marks` holds every column's mark and may
    // be changed; true lets the header show the changed marks, false keeps
    // the old ones.
    virtual bool SortMarks(int column, std::vector<SortMark>& marks);
};

} // namespace keywright::ui
