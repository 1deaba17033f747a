#pragma once

#include "assign/dialog/KeyAndDelayAdapter.h"
#include "assign/dialog/MacroGroupAdapter.h"
#include "base/Clock.h"
#include "engine/KeyMonitor.h"
#include "settings/AppConfig.h"
#include "settings/MacroSettings.h"
#include "ui/HostDialog.h"
#include "ui/MessageBox.h"

#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>

namespace keywright::ui {
class CheckBox;
class ComboBox;
class Edit;
class ListView;
class McListView;
class TabCtrl;
class Text;
} // namespace keywright::ui

namespace keywright::assign {

// The assignment and macro dialog ("LAYOUT:macro"): the user picks what the
// clicked key does (the mode tab's page is the AssignKind), records and
// edits macros, captures a single key. Every choice goes straight into the
// settings, most of them saved at once; the key-assignment flow reads the
// settings when the dialog has closed. Cancel undoes nothing.
//
// Key events: from construction to destruction the dialog is the first
// listener of the key monitor and takes every event, so no assignment acts
// while it is open. The listener runs on the monitor's reader thread; it
// stamps the event with the dialog's clock and posts it to the UI thread,
// where recording and capture happen. The dialog moves the reader along:
// running on the single-key page and while recording, stopped otherwise;
// destruction unsubscribes and restarts it for the main window.
//
// Exit codes: kStore (OK), kRemove (remove the assignment), and
// HostDialog::kCancelCode for cancel, the close button and Escape.
// The dialog's message box: (owner, caption, text, buttons) → ui::kMessageOk
// or ui::kMessageCancel.
using DialogMessageBox = std::function<int(QWidget* owner, const QString& caption,
                                           const QString& text, ui::MessageButtons buttons)>;
// Asks for a group file: one to write (`save`) or one to read. An empty
// result: the user chose none.
using GroupFileChooser = std::function<QString(QWidget* owner, bool save)>;

class MacroRecordDlg : public ui::HostDialog, public IOnMacroGroupClickedListener {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("macro::Grouplg", ui::HostDialog)
  public:
    static constexpr int kStore = 1;
    static constexpr int kRemove = 65596; // btnDelete's control ID
    // The posted key event: wParam the KeyCode; lParam bit 0 the down flag,
    // the rest the time of the event in milliseconds of the dialog's clock.
    static constexpr int kKeyEventMessage = 0x0400 + 1;

    // `keyNames`: the keys being assigned (id to name), shown in the dialog.
    // Every reference outlives the dialog.
    MacroRecordDlg(HidUsbFilter::KeyMonitor& monitor, MacroSettings& settings,
                   const std::map<qint32, QString>& keyNames, const AppConfig& config, Clock& clock,
                   QWidget* parent = nullptr);
    ~MacroRecordDlg() override;

    // The key monitor's listener; reader thread.
    int OnKey(int page, int usage, int down);

    // IOnMacroGroupClickedListener.
    void OnMacroGroupClicked(int index, const QString& name) override;

    // What the export and import buttons ask and tell the user with; by
    // default the system's file dialogs and the toolkit's message box.
    void SetMessageBox(DialogMessageBox box) { messageBox_ = std::move(box); }
    void SetFileChooser(GroupFileChooser chooser) { chooseFile_ = std::move(chooser); }

    KeyAndDelayAdapter& Steps() { return keyAdapter_; }
    bool RecordingStarted() const { return recordingStarted_; }

  signals:
    // A key event reached the UI thread and was acted on (or ignored).
    void KeyEventHandled();

  protected:
    void OnInit() override;
    void OnMessage(const Message& message) override;

  private:
    void BindControls();
    void Subscribe();
    void ShowSelectedGroup();
    void OnRecordClicked();
    void OnDelayMode(std::int32_t mode);
    void OnRepeatChanged();
    void OnDelayChanged();
    void OnPageChanged(int page);
    void OnGroupAdd();
    void OnGroupDelete();
    // The selected group to a file the user picks; the groups of a file the
    // user picks added after the others. A failure is told, and changes
    // nothing.
    void OnGroupExport();
    void OnGroupImport();
    void OnKeyEvent(KeyCode code, bool down, Clock::TimePoint when);
    void Record(KeyCode code, const std::string& name, bool down, Clock::TimePoint when);
    // The pause to give the previous step when an event comes at `when`;
    // nullopt to leave it as it is.
    std::optional<std::uint32_t> PauseBefore(Clock::TimePoint when) const;
    int SelectedGroup() const;
    void ShowSingleKey();
    void Save();

    HidUsbFilter::KeyMonitor& monitor_;
    MacroSettings& settings_;
    const std::map<qint32, QString>& keyNames_;
    const AppConfig& config_;
    Clock& clock_;

    ui::ListView* groupList_ = nullptr;
    ui::McListView* keyList_ = nullptr;
    std::array<ui::CheckBox*, 3> delayChecks_{};
    ui::Edit* repeatEdit_ = nullptr;
    ui::Edit* delayEdit_ = nullptr;
    ui::CheckBox* recordCheck_ = nullptr;
    ui::Text* singleKeyText_ = nullptr;
    ui::TabCtrl* modeTab_ = nullptr;
    ui::ComboBox* mediaCombo_ = nullptr;
    ui::ComboBox* functionCombo_ = nullptr;
    ui::ComboBox* playModeCombo_ = nullptr;

    DialogMessageBox messageBox_;
    GroupFileChooser chooseFile_;

    MacroGroupAdapter groupAdapter_;
    KeyAndDelayAdapter keyAdapter_;
    // The time of the last recorded event; none since the dialog opened.
    std::optional<Clock::TimePoint> lastEventTime_;
    bool recordingStarted_ = false;
    // Set while the dialog fills its own controls: their change
    // notifications are not the user's.
    bool filling_ = false;
};

} // namespace keywright::assign
