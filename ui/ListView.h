#pragma once

#include "ui/Control.h"
#include "ui/ListAdapter.h"

#include <QScrollArea>
#include <QString>
#include <vector>

class QVBoxLayout;

namespace keywright::ui {

// A list of rows fed by a ListAdapter ("listview"), one below the other, each
// built from the row template the layout names in the property "rowTemplate"
// (a layout id). Rows are Windows: a press anywhere in a row selects it and
// then raises a command from the row. The selected row carries the dynamic
// property "selected" = true, for style sheets.
class ListView : public QScrollArea, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("listview", Control)
    Q_PROPERTY(QString rowTemplate READ RowTemplateId WRITE SetRowTemplateId)
  public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Shows `adapter` (not owned; null shows nothing) and fills the rows.
    void SetAdapter(ListAdapter* adapter);
    ListAdapter* Adapter() const { return adapter_; }

    QString RowTemplateId() const { return rowTemplate_.LayoutId(); }
    void SetRowTemplateId(const QString& layoutId);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Row `position`; null outside the rows.
    QWidget* Row(int position) const;

    // The selected row; -1 for none.
    int Selected() const { return selected_; }
    // Selects row `position`, or none for -1; false, changing nothing, for
    // any other position outside the rows. With `notify`, a change raises a
    // selection change from the view before this returns.
    bool SetSelected(int position, bool notify = true);

    // Asks the adapter for the row count and fills every row: existing rows
    // are kept and filled again, missing ones are added, surplus ones removed.
    // A selection beyond the last row is cleared, without an event.
    void Refresh();

  protected:
    // Places the parts of a filled row; the plain list leaves them as the
    // template has them.
    virtual void ArrangeRow(QWidget*) {}
    const RowTemplate& Template() const { return rowTemplate_; }
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class ListAdapter;
    void DetachAdapter() { adapter_ = nullptr; }
    void Watch(QWidget* row);
    void MarkSelected(int position, bool selected);

    ListAdapter* adapter_ = nullptr;
    RowTemplate rowTemplate_;
    QWidget* content_;
    QVBoxLayout* column_;
    std::vector<QWidget*> rows_;
    int selected_ = -1;
};

} // namespace keywright::ui
