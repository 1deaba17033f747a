#include "assign/dialog/MacroRecordDlg.h"

#include "assign/MacroGroupFile.h"
#include "base/NumberText.h"
#include "settings/KeyCatalogue.h"
#include "ui/ComboBox.h"
#include "ui/ListView.h"
#include "ui/McListView.h"
#include "ui/StockControls.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTexts.h"
#include "ui/WindowTree.h"

#include <QFileDialog>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace keywright::assign {
namespace {

constexpr int kMacroPage = kAssignMacro;
constexpr int kSinglePage = kAssignSingleKey;

const char* const kGroupFileFilter = "Macro groups (*.xml);;All files (*)";

QString ChooseWithSystemDialog(QWidget* owner, bool save) {
    const QString filter = ui::Tr(QString::fromLatin1(kGroupFileFilter));
    return save ? QFileDialog::getSaveFileName(owner, ui::Tr(QStringLiteral("Export groups")),
                                               QString(), filter)
                : QFileDialog::getOpenFileName(owner, ui::Tr(QStringLiteral("Import groups")),
                                               QString(), filter);
}

std::filesystem::path PathOf(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

std::int64_t Milliseconds(Clock::TimePoint when) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
}

// What an edit holds, read as a decimal number ("%d": leading digits, no
// digits give 0).
std::int32_t NumberIn(const ui::Edit* edit) {
    return ReadDecimal(edit->text().toStdString());
}

} // namespace

MacroRecordDlg::MacroRecordDlg(HidUsbFilter::KeyMonitor& monitor, MacroSettings& settings,
                               const std::map<qint32, QString>& keyNames, const AppConfig& config,
                               Clock& clock, QWidget* parent)
    : ui::HostDialog(QStringLiteral("LAYOUT:macro"), parent), monitor_(monitor),
      settings_(settings), keyNames_(keyNames), config_(config), clock_(clock),
      messageBox_(ui::ShowMessageBox), chooseFile_(ChooseWithSystemDialog),
      groupAdapter_(settings, this), keyAdapter_(settings) {
    monitor_.Subscribe(this, &MacroRecordDlg::OnKey);
    // Whatever way the dialog ends, what was recorded and edited in it
    // (steps, their delays) is kept: unsaved it would be gone at the next
    // start, though the groups' names and the choices survive.
    connect(this, &ui::HostDialog::DialogEnded, this, [this] { Save(); });
}

MacroRecordDlg::~MacroRecordDlg() {
    // After this no event reaches the dialog; the main window's listener
    // gets them again.
    monitor_.Unsubscribe(this, &MacroRecordDlg::OnKey);
    monitor_.RestartReader();
}

int MacroRecordDlg::OnKey(int page, int usage, int down) {
    const KeyCode code =
        MakeKeyCode(static_cast<std::uint16_t>(page), static_cast<std::uint16_t>(usage));
    // Stamped here, where the event arrives, so a busy UI thread does not
    // shorten or lengthen the recorded pauses.
    const std::int64_t stamp = Milliseconds(clock_.Now());
    Post({kKeyEventMessage, static_cast<quintptr>(code),
          static_cast<qintptr>((stamp << 1) | (down != 0 ? 1 : 0))});
    return 1;
}

void MacroRecordDlg::OnMessage(const Message& message) {
    if (message.id != kKeyEventMessage)
        return;
    const Clock::TimePoint when{std::chrono::milliseconds(message.lParam >> 1)};
    OnKeyEvent(static_cast<KeyCode>(message.wParam), (message.lParam & 1) != 0, when);
    emit KeyEventHandled();
}

void MacroRecordDlg::BindControls() {
    groupList_ = Find<ui::ListView>(QStringLiteral("macro_group"));
    keyList_ = Find<ui::McListView>(QStringLiteral("key_info"));
    delayChecks_ = {Find<ui::CheckBox>(QStringLiteral("chk_macro_realy_delay")),
                    Find<ui::CheckBox>(QStringLiteral("chk_macro_fixed_delay")),
                    Find<ui::CheckBox>(QStringLiteral("chk_macro_no_delay"))};
    repeatEdit_ = Find<ui::Edit>(QStringLiteral("edit_macro_repeat_times"));
    delayEdit_ = Find<ui::Edit>(QStringLiteral("edit_macro_delay_time"));
    recordCheck_ = dynamic_cast<ui::CheckBox*>(
        ui::FindByName(this, QStringLiteral("chk_macro_record"), "checkex"));
    singleKeyText_ = Find<ui::Text>(QStringLiteral("edit_single_key"));
    modeTab_ = dynamic_cast<ui::TabCtrl*>(
        ui::FindByName(this, QStringLiteral("tab_macro_mode_selection"), "tabctrl2"));
    mediaCombo_ = Find<ui::ComboBox>(QStringLiteral("cmb_media_keys"));
    functionCombo_ = Find<ui::ComboBox>(QStringLiteral("cmb_function_keys"));
    playModeCombo_ = Find<ui::ComboBox>(QStringLiteral("macro_play_mode"));
}

void MacroRecordDlg::OnInit() {
    BindControls();
    filling_ = true;

    // 1.-2. The lists, on the remembered group (one past the last is kept:
    // it selects nothing).
    if (keyList_ != nullptr)
        keyList_->SetAdapter(&keyAdapter_);
    if (groupList_ != nullptr)
        groupList_->SetAdapter(&groupAdapter_);
    const auto groups = static_cast<std::int32_t>(settings_.GroupCount());
    if (settings_.group < 0 || settings_.group > groups)
        settings_.group = 0;
    if (groupList_ != nullptr)
        groupList_->SetSelected(settings_.group < groups ? settings_.group : -1, false);
    keyAdapter_.ShowGroup(settings_.group < groups ? settings_.group : -1);

    // 3.-4.
    lastEventTime_.reset();
    QStringList names;
    for (const auto& [id, name] : keyNames_)
        names << name;
    if (auto* keys = Find<ui::Text>(QStringLiteral("text_recording_keys")))
        keys->setText(names.join(QLatin1Char(',')));

    // 5. A delay mode from a damaged or newer file falls back to recorded
    // delays.
    if (settings_.mode < 0 || settings_.mode >= 3) {
        settings_.mode = 0;
        Save();
    }
    for (std::size_t i = 0; i < delayChecks_.size(); ++i)
        if (delayChecks_[i] != nullptr)
            delayChecks_[i]->SetCheck(static_cast<std::int32_t>(i) == settings_.mode);

    // 6.-7.
    ShowSingleKey();
    if (mediaCombo_ != nullptr)
        for (const FunKeyEntry& entry : config_.FunKeys())
            mediaCombo_->AddItem(ui::Tr(QString::fromStdString(entry.name)));
    if (functionCombo_ != nullptr)
        for (const CombKeyEntry& entry : config_.CombKeys())
            functionCombo_->AddItem(ui::Tr(QString::fromStdString(entry.name)));

    // 8.
    Subscribe();

    // 9. The page of the remembered kind, the remembered numbers.
    if (modeTab_ != nullptr)
        modeTab_->SetCurSel(settings_.type);
    if (delayEdit_ != nullptr) {
        delayEdit_->setText(settings_.mode == 2 ? QStringLiteral("0")
                                                : QString::number(settings_.delay));
        delayEdit_->setEnabled(settings_.mode == 1);
    }
    if (repeatEdit_ != nullptr)
        repeatEdit_->setText(QString::number(settings_.repeat));

    // 10.-11.
    if (recordCheck_ != nullptr)
        recordCheck_->SetCheck(false);
    if (auto* single = dynamic_cast<ui::CheckBox*>(
            ui::FindByName(this, QStringLiteral("chk_single_record"), "checkex")))
        single->SetCheck(false);
    if (playModeCombo_ != nullptr) {
        playModeCombo_->SetCurSel(settings_.play, false);
        settings_.playValue =
            static_cast<std::int32_t>(playModeCombo_->ItemData(playModeCombo_->CurSel()));
    }
    if (functionCombo_ != nullptr)
        functionCombo_->SetCurSel(settings_.function, false);
    if (mediaCombo_ != nullptr)
        mediaCombo_->SetCurSel(settings_.media, false);
    filling_ = false;

    // 12. The single-key page captures from the start.
    if (settings_.type == kSinglePage && monitor_.RestartReader())
        monitor_.SetValue(0);
}

void MacroRecordDlg::Subscribe() {
    OnCommand(QStringLiteral("btnRestore"), [this](ui::Event&) { showNormal(); });
    OnCommand(QStringLiteral("btnMin"), [this](ui::Event&) { showMinimized(); });
    OnCommand(QStringLiteral("btnClose"), [this](ui::Event&) { EndDialog(kCancelCode); });
    OnCommand(QStringLiteral("btnOK"), [this](ui::Event&) {
        if (!keyNames_.empty() && modeTab_ != nullptr && modeTab_->CurSel() < 3)
            settings_.group = SelectedGroup();
        EndDialog(kStore);
    });
    OnCommand(QStringLiteral("btnDelete"), [this](ui::Event&) { EndDialog(kRemove); });
    OnCommand(QStringLiteral("btnCancel"), [this](ui::Event&) { EndDialog(kCancelCode); });
    OnCommand(QStringLiteral("groupAdd"), [this](ui::Event&) { OnGroupAdd(); });
    OnCommand(QStringLiteral("groupDel"), [this](ui::Event&) { OnGroupDelete(); });
    OnCommand(QStringLiteral("groupExport"), [this](ui::Event&) { OnGroupExport(); });
    OnCommand(QStringLiteral("groupImport"), [this](ui::Event&) { OnGroupImport(); });
    const auto selectedStep = [this] {
        return keyList_ != nullptr ? keyList_->Selected() : -1;
    };
    const auto afterStep = [this] {
        settings_.group = SelectedGroup();
    };
    OnCommand(QStringLiteral("item_up"), [this, selectedStep, afterStep](ui::Event&) {
        const int step = selectedStep();
        // The moved step stays selected, so repeated clicks keep moving it.
        if (keyAdapter_.MoveUp(step) && keyList_ != nullptr)
            keyList_->SetSelected(step - 1, false);
        afterStep();
    });
    OnCommand(QStringLiteral("item_down"), [this, selectedStep, afterStep](ui::Event&) {
        const int step = selectedStep();
        if (keyAdapter_.MoveDown(step) && keyList_ != nullptr)
            keyList_->SetSelected(step + 1, false);
        afterStep();
    });
    OnCommand(QStringLiteral("item_delete"), [this, selectedStep, afterStep](ui::Event&) {
        keyAdapter_.Remove(selectedStep());
        afterStep();
    });
    OnCommand(QStringLiteral("item_clear"), [this, afterStep](ui::Event&) {
        keyAdapter_.Clear();
        afterStep();
    });

    if (recordCheck_ != nullptr) {
        // The box's own part comes first: no group, no recording.
        recordCheck_->Subscribe(ui::kCommandEvent, [this](ui::Event&) {
            if (SelectedGroup() < 0) {
                recordCheck_->SetCheck(false);
                return;
            }
            ui::SetText(recordCheck_, recordCheck_->IsChecked() ? QStringLiteral("Stop record")
                                                                : QStringLiteral("Start record"));
        });
        OnCommand(QStringLiteral("chk_macro_record"), [this](ui::Event&) { OnRecordClicked(); });
    }
    OnCommand(QStringLiteral("chk_macro_realy_delay"), [this](ui::Event&) { OnDelayMode(0); });
    OnCommand(QStringLiteral("chk_macro_fixed_delay"), [this](ui::Event&) { OnDelayMode(1); });
    OnCommand(QStringLiteral("chk_macro_no_delay"), [this](ui::Event&) { OnDelayMode(2); });
    OnEvent(ui::kEditChangedEvent, QStringLiteral("edit_macro_repeat_times"),
            [this](ui::Event&) { OnRepeatChanged(); });
    OnEvent(ui::kEditChangedEvent, QStringLiteral("edit_macro_delay_time"),
            [this](ui::Event&) { OnDelayChanged(); });
    OnEvent(ui::kSelChangedEvent, QStringLiteral("macro_play_mode"), [this](ui::Event&) {
        settings_.play = playModeCombo_->CurSel();
        settings_.playValue =
            static_cast<std::int32_t>(playModeCombo_->ItemData(playModeCombo_->CurSel()));
        Save();
    });
    OnEvent(ui::kSelChangedEvent, QStringLiteral("cmb_media_keys"), [this](ui::Event&) {
        settings_.media = mediaCombo_->CurSel();
        Save();
    });
    OnEvent(ui::kSelChangedEvent, QStringLiteral("cmb_function_keys"), [this](ui::Event&) {
        settings_.function = functionCombo_->CurSel();
        Save();
    });
    OnEvent(ui::kTabSelChangedEvent, QStringLiteral("tab_macro_mode_selection"),
            [this](ui::Event& event) { OnPageChanged(event.value); });
}

int MacroRecordDlg::SelectedGroup() const {
    return groupList_ != nullptr ? groupList_->Selected() : -1;
}

void MacroRecordDlg::Save() {
    settings_.Save();
}

void MacroRecordDlg::ShowSingleKey() {
    if (singleKeyText_ == nullptr)
        return;
    const KeyInfo& info = FindKeyInfo(settings_.skcode);
    singleKeyText_->setText(
        QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size())));
}

void MacroRecordDlg::OnRecordClicked() {
    const bool checked = recordCheck_->IsChecked();
    settings_.recording = checked ? 1 : 0;
    if (checked) {
        recordingStarted_ = monitor_.RestartReader();
        if (recordingStarted_)
            monitor_.SetValue(0);
    } else {
        monitor_.StopReader();
        recordingStarted_ = false;
    }
}

void MacroRecordDlg::OnDelayMode(std::int32_t mode) {
    settings_.mode = mode;
    if (delayEdit_ != nullptr) {
        filling_ = true;
        if (mode == 1)
            delayEdit_->setText(QString::number(settings_.delay));
        else if (mode == 2)
            delayEdit_->setText(QStringLiteral("0"));
        filling_ = false;
        delayEdit_->setEnabled(mode == 1);
    }
    Save();
}

void MacroRecordDlg::OnRepeatChanged() {
    if (filling_)
        return;
    settings_.repeat = NumberIn(repeatEdit_);
    Save();
}

void MacroRecordDlg::OnDelayChanged() {
    if (filling_ || settings_.mode != 1)
        return;
    settings_.delay = NumberIn(delayEdit_);
    Save();
}

void MacroRecordDlg::OnPageChanged(int page) {
    // Opening shows the remembered page itself and starts the reader for
    // it once, below.
    if (filling_)
        return;
    if (page == kSinglePage) {
        monitor_.RestartReader();
        monitor_.SetValue(0);
    } else {
        monitor_.StopReader();
        if (page == kMacroPage && recordingStarted_) {
            recordingStarted_ = monitor_.RestartReader();
            if (recordingStarted_)
                monitor_.SetValue(0);
        }
    }
    settings_.type = page;
    Save();
}

void MacroRecordDlg::OnGroupAdd() {
    settings_.AddGroup();
    if (groupList_ != nullptr)
        groupList_->Refresh();
    // The design selects the first group only when the remembered one was
    // negative; a list with nothing selected (no groups when the dialog
    // opened) would otherwise leave the new group unselected, and recording
    // would refuse to start without saying why.
    if ((settings_.group < 0 || SelectedGroup() < 0) && settings_.GroupCount() > 0) {
        settings_.group = 0;
        if (groupList_ != nullptr)
            groupList_->SetSelected(0, false);
    }
    // A list that had no group selected shows the one selected now.
    if (keyAdapter_.Group() == nullptr)
        keyAdapter_.ShowGroup(SelectedGroup());
}

void MacroRecordDlg::OnGroupDelete() {
    const int selected = SelectedGroup();
    if (selected < 0)
        return;
    settings_.DeleteGroup(static_cast<std::size_t>(selected));
    if (groupList_ != nullptr)
        groupList_->Refresh();
    settings_.group = SelectedGroup();
    keyAdapter_.ShowGroup(settings_.group);
}

void MacroRecordDlg::OnGroupExport() {
    const int selected = SelectedGroup();
    if (selected < 0) {
        messageBox_(this, ui::Tr(QStringLiteral("Export groups")),
                    ui::Tr(QStringLiteral("Select the group to export first.")),
                    ui::MessageButtons::Ok);
        return;
    }
    const QString file = chooseFile_(this, true);
    if (file.isEmpty())
        return;
    // Steps recorded or edited just now go as the list shows them.
    const GroupFileResult written =
        ExportMacroGroup(settings_, static_cast<std::size_t>(selected), PathOf(file));
    if (!written.ok)
        messageBox_(this, ui::Tr(QStringLiteral("Export groups")),
                    ui::Tr(QStringLiteral("The group was not exported.")) + QLatin1Char('\n') +
                        QString::fromStdString(written.message),
                    ui::MessageButtons::Ok);
}

void MacroRecordDlg::OnGroupImport() {
    const QString file = chooseFile_(this, false);
    if (file.isEmpty())
        return;
    const GroupImportResult imported = ImportMacroGroups(settings_, PathOf(file));
    if (imported.added > 0) {
        if (groupList_ != nullptr)
            groupList_->Refresh();
        // A list without a selection gets the first of the new groups.
        if (SelectedGroup() < 0 && groupList_ != nullptr) {
            const auto first = static_cast<int>(settings_.GroupCount() - imported.added);
            groupList_->SetSelected(first, false);
            settings_.group = first;
            keyAdapter_.ShowGroup(first);
        }
    }
    if (!imported.message.empty())
        messageBox_(this, ui::Tr(QStringLiteral("Import groups")),
                    (imported.added == 0 ? ui::Tr(QStringLiteral("No group was imported."))
                                         : ui::Tr(QStringLiteral("The groups were imported."))) +
                        QLatin1Char('\n') + QString::fromStdString(imported.message),
                    ui::MessageButtons::Ok);
}

void MacroRecordDlg::OnMacroGroupClicked(int index, const QString&) {
    keyAdapter_.ShowGroup(index < 0 ? settings_.group : index);
    settings_.group = SelectedGroup();
}

void MacroRecordDlg::OnKeyEvent(KeyCode code, bool down, Clock::TimePoint when) {
    const KeyInfo& info = FindKeyInfo(code);
    const int page = modeTab_ != nullptr ? modeTab_->CurSel() : -1;
    if (page == kSinglePage) {
        if (down) {
            settings_.skcode = code;
            ShowSingleKey();
        }
        return;
    }
    if (page == kMacroPage && recordCheck_ != nullptr && recordCheck_->IsChecked())
        Record(code, std::string(info.name), down, when);
}

std::optional<std::uint32_t> MacroRecordDlg::PauseBefore(Clock::TimePoint when) const {
    switch (settings_.mode) {
    case 0: {
        // The first event since the dialog opened has nothing before it to
        // measure from: a step recorded earlier keeps the pause it has.
        if (!lastEventTime_)
            return std::nullopt;
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(when - *lastEventTime_).count();
        return static_cast<std::uint32_t>(
            std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::uint32_t>::max()));
    }
    case 1:
        // A negative fixed delay would be read back as a wait of weeks.
        return static_cast<std::uint32_t>(std::max(settings_.delay, 0));
    default:
        return 0;
    }
}

void MacroRecordDlg::Record(KeyCode code, const std::string& name, bool down,
                            Clock::TimePoint when) {
    MacroGroup* group = keyAdapter_.Group();
    if (group == nullptr)
        return;
    // A release that starts a recording belongs to a press made before it.
    if (!down && group->items.empty())
        return;
    if (!group->items.empty())
        if (const auto pause = PauseBefore(when))
            group->items.back().delay = *pause;
    keyAdapter_.Append(code, name, down ? 1 : 0, 0);
    lastEventTime_ = when;
}

} // namespace keywright::assign
