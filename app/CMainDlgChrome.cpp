// The main window's chrome: the "more" menu, hiding to the tray, the language
// switch, the firmware text and check, and the factory restore.

#include "app/CMainDlg.h"
#include "app/NamedIds.h"
#include "base/Log.h"
#include "ctl/Autostart.h"
#include "device/HidDiscovery.h"
#include "ui/Menu.h"
#include "ui/StockControls.h"
#include "ui/Toolkit.h"
#include "ui/WindowTexts.h"
#include "widgets/CoordButtonImage.h"

#include <QRect>
#include <thread>

namespace keywright::app {

void CMainDlg::ShowMoreMenu() {
    QWidget* button = Find<ui::ImageButton>(kIdBtnMore);
    ui::Menu menu;
    if (!menu.LoadResource(QStringLiteral("smenuex:menu_more")))
        return;
    // The check mark says what the next login does, whoever wrote the entry.
    menu.SetChecked(QStringLiteral("autostart"), !context_.autostartEntry.empty() &&
                                                     AutostartEntryExists(context_.autostartEntry));
    // Directly below the button, left edges aligned.
    const QPoint below = button != nullptr ? button->mapToGlobal(button->rect().bottomLeft())
                                           : mapToGlobal(QPoint(0, 0));
    menu.Exec(below, this);
}

void CMainDlg::ToggleAutostart() {
    const std::filesystem::path& entry = context_.autostartEntry;
    if (entry.empty())
        return;
    const platform::FileResult done = AutostartEntryExists(entry)
                                          ? RemoveAutostartEntry(entry)
                                          : WriteAutostartEntry(entry, context_.windowProgram);
    if (!done)
        LogLine("desktop: start with the desktop: " + done.error);
}

void CMainDlg::HideToTray() {
    if (TrayAvailable()) {
        hide();
        return;
    }
    // Hidden without a tray icon, nothing could bring the window back.
    if (!noTrayNoted_) {
        noTrayNoted_ = true;
        LogLine("desktop: no system tray here; the window is minimised instead of hidden");
    }
    showMinimized();
}

void CMainDlg::BringForward() {
    if (IsDestroyed())
        return;
    if (isMinimized())
        showNormal();
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

bool CMainDlg::SwitchLanguage(const QString& name) {
    ui::Toolkit* toolkit = ui::Toolkit::Instance();
    if (toolkit == nullptr || !toolkit->LoadLanguage(name))
        return false; // the current language stays
    // The composed firmware text follows the new language at once.
    UpdateFirmwareText();
    return true;
}

void CMainDlg::UpdateFirmwareText() {
    const std::int32_t version = commands_.FirmwareVersion();
    if (version == -1)
        return; // the text keeps what it showed
    ui::Text* text = Find<ui::Text>(kIdVersion);
    if (text == nullptr)
        return;
    text->setText(ui::Tr(QStringLiteral("Firmware")) +
                  QStringLiteral(": v%1.%2").arg(version / 256).arg(version % 256));
}

void CMainDlg::CheckFirmware() {
    if (!keyboard_.IsOpen()) {
        Warn(nullptr, QStringLiteral("Please insert USB device"));
        return;
    }
    if (commands_.FirmwareVersion() == 0x0100) {
        Warn(nullptr,
             QStringLiteral(
                 "The firmware is already the latest version and no upgrade is required."));
        return;
    }
    // No firmware is transferred: the check reconnects and reads the version
    // again.
    keyboard_.Close();
    CopyNoSideLight(OpenSupportedKeyboard(keyboard_));
    if (keyboard_.IsOpen()) {
        commands_.QueryFirmwareVersion();
    } else {
        commands_.ForgetFirmwareVersion();
    }
    UpdateFirmwareText();
}

void CMainDlg::RestoreFactory() {
    int answer = ui::kMessageCancel;
    Warn(this, QStringLiteral("All settings will be restored, are you sure you want to continue?"),
         ui::MessageButtons::OkCancel, &answer);
    if (answer != ui::kMessageOk)
        return;
    // From here on, losing the keyboard does not end the program: the reset
    // makes it leave and come back.
    restoreInProgress_ = 1;
    context_.settings.GetMacroSettings().Reset();
    context_.settings.GetRecordStore().Clear();
    context_.settings.GetLedEffectTable().Reset();
    context_.settings.GetSideModelTable().Reset();
    engine_->StopPlayback();
    keyMonitor_->SendKeyTable(context_.settings.GetRecordStore());
    Time().SleepFor(kCommandSpacing);
    LoadSideLight(true);
    LoadMainLight(true);
    if (keyboardMap_ != nullptr)
        keyboardMap_->SetButtonChecked(widgets::CoordButtonImage::kAllButtons, false);
    context_.settings.GetRecordStore().Clear();
    commands_.SendFactoryReset();
}

} // namespace keywright::app
