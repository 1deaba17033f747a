#pragma once

#include "ui/ListAdapter.h"

#include <QString>
#include <vector>

class QWidget;

namespace keywright::preview {

// Sample content for screenshots, standing in for what the running program
// puts into its windows: a firmware version, a chosen effect, assigned keys,
// macro groups and their steps. Nothing here is read from settings files.

// Dresses a loaded main window ("LAYOUT:XML_MAINWND").
void DressMainWindow(QWidget* root);

// The macro groups of the sample.
class SampleGroupAdapter : public ui::ListAdapter {
  public:
    int RowCount() override { return static_cast<int>(names_.size()); }
    void FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) override;

  private:
    std::vector<QString> names_{QStringLiteral("Rapid fire"), QStringLiteral("Copy and paste"),
                                QStringLiteral("Group 3")};
};

// The steps of the sample's first group.
class SampleStepAdapter : public ui::McListAdapter {
  public:
    int RowCount() override { return static_cast<int>(steps_.size()); }
    void FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) override;
    QString ColumnName(int column) const override;

  private:
    struct Step {
        unsigned code;
        QString name;
        int state; // 1 down, 0 up
        int delay; // ms after the step
    };
    std::vector<Step> steps_{
        {0x700E0, QStringLiteral("Left Ctrl"), 1, 40},
        {0x70006, QStringLiteral("C"), 1, 80},
        {0x70006, QStringLiteral("C"), 0, 35},
        {0x700E0, QStringLiteral("Left Ctrl"), 0, 200},
        {0x700E0, QStringLiteral("Left Ctrl"), 1, 40},
        {0x70019, QStringLiteral("V"), 1, 80},
        {0x70019, QStringLiteral("V"), 0, 35},
        {0x700E0, QStringLiteral("Left Ctrl"), 0, 0},
    };
};

// Dresses a loaded assignment dialog ("LAYOUT:macro") with the two sample
// adapters, which must outlive it.
void DressMacroDialog(QWidget* root, SampleGroupAdapter& groups, SampleStepAdapter& steps);

} // namespace keywright::preview
