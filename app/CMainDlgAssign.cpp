// The key-assignment flow of the main window: a click on a key of the
// keyboard map, the assignment dialog, and what its outcome changes.

#include "app/CMainDlg.h"
#include "assign/KeyAssignment.h"
#include "assign/dialog/MacroRecordDlg.h"
#include "ui/WindowTexts.h"
#include "widgets/CoordButtonImage.h"

#include <memory>

namespace keywright::app {

std::unique_ptr<assign::MacroRecordDlg> CMainDlg::MakeAssignmentDialog(qint32 id,
                                                                       const QString& name) {
    assignKeyNames_.emplace(id, name);
    auto dialog = std::make_unique<assign::MacroRecordDlg>(
        *keyMonitor_, context_.settings.GetMacroSettings(), assignKeyNames_,
        context_.settings.GetAppConfig(), Time(), this);
    dialog->SetMessageBox(context_.messageBox);
    return dialog;
}

void CMainDlg::AssignKeyFlow(qint32 id, const QString& name) {
    widgets::CoordButton button;
    if (keyboardMap_ != nullptr)
        keyboardMap_->GetButton(id, &button);
    const KeyCode code =
        (static_cast<KeyCode>(button.va) << 16) | (static_cast<KeyCode>(id) & 0xFFFF);

    std::unique_ptr<assign::MacroRecordDlg> dialog = MakeAssignmentDialog(id, name);
    activeDialog_ = dialog.get();
    // A window that goes while the dialog is open (the keyboard was pulled)
    // takes the dialog with it, as cancelled.
    const auto destroyed = connect(this, &HostWindow::WindowDestroyed, dialog.get(),
                                   [d = dialog.get()] { d->DestroyWindow(); });
    const int exitCode = dialog->DoModal();
    disconnect(destroyed);
    keyMonitor_->SetValue(0);

    if (exitCode == assign::MacroRecordDlg::kStore) {
        if (id != 0)
            StoreAssignment(id, code, name);
        context_.settings.GetMacroSettings().Save();
        keyMonitor_->SendKeyTable(context_.settings.GetRecordStore());
    } else if (exitCode == assign::MacroRecordDlg::kRemove) {
        RemoveAssignment(id, code);
    }

    // Unsubscribes the dialog and gives the key events back to the engine.
    dialog.reset();
    activeDialog_ = nullptr;
    assignKeyNames_.clear();
}

void CMainDlg::StoreAssignment(qint32 id, KeyCode code, const QString& name) {
    // The mark comes first, also when the choice makes no record; the marks
    // are rebuilt from the store at the next start.
    if (keyboardMap_ != nullptr)
        keyboardMap_->SetButtonChecked(id, true);
    const AppConfig& config = context_.settings.GetAppConfig();
    const AssignSources sources{context_.settings.GetMacroSettings(), config.FunKeys(),
                                config.CombKeys()};
    const StoreResult stored =
        AssignKey(context_.settings.GetRecordStore(), code, name.toStdString(), sources);
    if (!stored.made.record)
        return;
    const KeyRecord& record = *stored.made.record;
    QString tip = QString::fromStdString(record.name);
    if (!record.group.empty())
        tip += QStringLiteral(" : ") + ui::Tr(QString::fromStdString(record.group));
    if (keyboardMap_ != nullptr)
        keyboardMap_->SetButtonTip(tip, id);
    if (record.type == kAssignMacro || record.type == kAssignSingleKey ||
        record.type == kAssignMediaKey)
        keyMonitor_->SendKeyTable(context_.settings.GetRecordStore());
}

void CMainDlg::RemoveAssignment(qint32 id, KeyCode code) {
    UnassignKey(context_.settings.GetRecordStore(), code);
    if (keyboardMap_ != nullptr) {
        keyboardMap_->SetButtonTip(QString(), id);
        keyboardMap_->SetButtonChecked(id, false);
    }
    keyMonitor_->SendKeyTable(context_.settings.GetRecordStore());
}

} // namespace keywright::app
