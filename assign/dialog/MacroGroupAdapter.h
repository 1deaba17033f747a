#pragma once

#include "settings/MacroSettings.h"
#include "ui/ListAdapter.h"

#include <QString>

namespace keywright::assign {

// Told when the user clicks a group of the group list.
class IOnMacroGroupClickedListener {
  public:
    virtual ~IOnMacroGroupClickedListener() = default;
    virtual void OnMacroGroupClicked(int index, const QString& name) = 0;
};

// The macro groups of the live settings as rows of a list view, one per
// group, each with its name editable in place. There is no copy: a row shows
// whatever the settings hold when it is filled.
//
// Renaming saves macro.xml at once (on every change of the name that makes
// it differ), as the settings' RenameGroup does.
class MacroGroupAdapter : public ui::ListAdapter {
  public:
    // `listener` may be null; neither is owned.
    MacroGroupAdapter(MacroSettings& settings, IOnMacroGroupClickedListener* listener)
        : settings_(settings), listener_(listener) {}

    int RowCount() override;
    void FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) override;

  private:
    void OnNameChanged(QWidget* edit);
    void OnRowClicked(QWidget* row);

    MacroSettings& settings_;
    IOnMacroGroupClickedListener* listener_;
};

} // namespace keywright::assign
