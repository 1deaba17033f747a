#pragma once

#include "settings/MacroSettings.h"
#include "ui/ListAdapter.h"

#include <QString>
#include <string>
#include <vector>

namespace keywright::assign {

// The steps of one macro group of the live settings as rows of a
// multi-column list: code, key name, action and an editable delay. The
// group is held by its position in the group list and looked up again on
// every use, so adding or deleting groups never leaves it pointing at a
// group that is gone. Nothing here saves macro.xml: the steps are written
// when the settings are next saved.
class KeyAndDelayAdapter : public ui::McListAdapter {
  public:
    explicit KeyAndDelayAdapter(MacroSettings& settings) : settings_(settings) {}

    int RowCount() override;
    void FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) override;
    // "col1" for column 0: the cell names of the row template.
    QString ColumnName(int column) const override;
    // The clicked column goes to ascending, or from ascending to descending;
    // every other column loses its mark. The steps keep their order.
    bool SortMarks(int column, std::vector<ui::SortMark>& marks) override;

    // Shows the group at `index` of the group list; an index outside the
    // groups (or -1) shows none.
    void ShowGroup(int index);
    // The group shown; null for none (also when its position has no group
    // any more).
    MacroGroup* Group();
    int GroupIndex() const { return index_; }

    // The step operations; each refreshes the list when a group is shown.
    void Append(KeyCode code, const std::string& name, std::uint32_t state, std::uint32_t delay);
    bool MoveUp(int index);
    bool MoveDown(int index);
    // Refreshes even when `index` is past the end and nothing was removed.
    void Remove(int index);
    void Clear();
    const MacroItem* Item(int index);

  private:
    void OnDelayChanged(QWidget* edit);

    MacroSettings& settings_;
    int index_ = -1;
};

} // namespace keywright::assign
