#pragma once

#include "ui/Control.h"

#include <QComboBox>
#include <QString>

namespace keywright::ui {

// A drop-down list. It raises a selection change only when the selection
// really changes: when the user picks another entry, or when code selects
// another entry with notification. Selections that follow from adding or
// removing entries raise nothing.
//
// Entries carry a number of the program's (item data). A layout gives it as
// the property "entryData": numbers separated by commas, one per entry in
// order (decimal, or hexadecimal with 0x).
class ComboBox : public QComboBox, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("combobox", Control)
    Q_PROPERTY(QString entryData READ EntryData WRITE SetEntryData)
  public:
    explicit ComboBox(QWidget* parent = nullptr);

    int CurSel() const { return currentIndex(); }
    // Selects entry `index`, or nothing for -1. False, and nothing changes,
    // for any other index outside the entries. With `notify`, a change of the
    // selection raises the selection change before this returns.
    bool SetCurSel(int index, bool notify = true);

    int AddItem(const QString& text, qint64 value = 0);
    qint64 ItemData(int index) const;
    void SetItemData(int index, qint64 value);

    const QString& EntryData() const { return entryData_; }
    void SetEntryData(const QString& numbers);

    void OnLoaded() override;

  private:
    void OnIndexChanged(int index);
    void ApplyEntryData();

    int shownIndex_ = -1; // the selection the last event (or silent change) left
    int silent_ = 0;      // > 0 while a change must raise nothing
    QString entryData_;
};

} // namespace keywright::ui
