#include "assign/dialog/MacroGroupAdapter.h"

#include "ui/Control.h"
#include "ui/StockControls.h"
#include "ui/WindowTree.h"

namespace keywright::assign {

int MacroGroupAdapter::RowCount() {
    return static_cast<int>(settings_.GroupCount());
}

void MacroGroupAdapter::FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) {
    rowTemplate.Build(row);
    ui::SetUserData(row, position);
    if (auto* name = ui::Find<ui::Edit>(row, QStringLiteral("group_name"))) {
        ui::SetUserData(name, position);
        if (const MacroGroup* group = settings_.GetGroup(position)) {
            const QString text = QString::fromStdString(group->name);
            // Setting the text it already has would rewrite nothing but
            // would move the caret; a user typing in it keeps their place.
            if (name->text() != text) {
                name->setText(text);
                // A long name shows its start, as names are read.
                name->setCursorPosition(0);
            }
            name->setToolTip(text);
        }
        name->Subscribe(
            ui::kEditChangedEvent, [this, name](ui::Event&) { OnNameChanged(name); }, this);
    }
    if (auto* control = dynamic_cast<ui::Control*>(row))
        control->Subscribe(
            ui::kCommandEvent,
            [this, row](ui::Event& event) {
                OnRowClicked(row);
                event.handled = true;
            },
            this);
}

void MacroGroupAdapter::OnNameChanged(QWidget* edit) {
    const auto* name = static_cast<ui::Edit*>(edit);
    const qint64 position = ui::UserData(edit);
    if (position < 0)
        return;
    settings_.RenameGroup(static_cast<std::size_t>(position), name->text().toStdString());
    edit->setToolTip(name->text());
}

void MacroGroupAdapter::OnRowClicked(QWidget* row) {
    const int position = static_cast<int>(ui::UserData(row));
    const MacroGroup* group = settings_.GetGroup(position);
    if (group != nullptr && listener_ != nullptr)
        listener_->OnMacroGroupClicked(position, QString::fromStdString(group->name));
}

} // namespace keywright::assign
