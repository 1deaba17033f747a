#pragma once

#include "base/Clock.h"
#include "base/Trace.h"
#include "device/HidDevice.h"
#include "device/HidDiscovery.h"
#include "device/KeyboardCommands.h"
#include "engine/KeyMonitor.h"
#include "engine/OutputEngine.h"
#include "engine/VHidev.h"
#include "platform/Backend.h"
#include "settings/SettingsRegistry.h"
#include "threads/RunableThread.h"
#include "ui/HostWindow.h"
#include "ui/MessageBox.h"
#include "widgets/ICoordButtonClickListener.h"

#include <QPoint>
#include <QString>
#include <QTimer>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace keywright::ui {
class ComboBox;
class RadioBox;
class Slider;
class TabCtrl;
} // namespace keywright::ui

namespace keywright::widgets {
class CoordButtonImage;
}

namespace keywright::assign {
class MacroRecordDlg;
}

namespace keywright::app {

// The program's modal message box: (owner, caption, text, buttons) →
// ui::kMessageOk or ui::kMessageCancel. Tests put a recorder in its place so
// that no box waits for a person.
using MessageBoxFunction = std::function<int(QWidget* owner, const QString& caption,
                                             const QString& text, ui::MessageButtons buttons)>;

// A replacement of the key-assignment flow: a press (up 0) or release (up 1)
// on key `id` of the keyboard map; non-zero takes the click.
using KeyClickHandler = std::function<int(class CMainDlg& window, qint32 id, const QString& name,
                                          quint32 up, quint32 flags, QPoint point)>;

// What start-up hands the main window. Every reference outlives the window.
struct MainWindowContext {
    platform::Backend& backend;
    SettingsRegistry& settings;
    VHidev& virtualDevice; // the process's, released at teardown
    Trace trace = StdoutTrace();
    MessageBoxFunction messageBox = ui::ShowMessageBox;
    // Whether the desktop shows tray icons. Without one, hiding the window
    // would leave nothing to bring it back by, so the window minimises
    // instead.
    std::function<bool()> trayAvailable;
    // The time the command spacing of the page is measured by, macros play
    // by and recorded pauses are measured by; null: the system's clock.
    Clock* clock = nullptr;
    // The user's session autostart entry, which the "more" menu's "Start with
    // the desktop" writes and removes, and the program it starts; an empty
    // entry (the user has no configuration folder) leaves the item unchecked
    // and inert.
    std::filesystem::path autostartEntry;
    std::filesystem::path windowProgram;
};

// The controller of the program's only top-level window ("LAYOUT:XML_MAINWND"):
// it owns the connection to the keyboard, the key monitor, the output engine
// with its playback thread and the delayed-task runner; it follows the
// keyboard's arrival and removal, routes the lighting page's events to the
// lighting tables and the keyboard, and runs the window chrome, tray,
// language switch, firmware check and factory restore.
//
// Everything here runs on the UI thread, except the delayed replay (on the
// task runner's worker) and key handling (on the key monitor's reader),
// which reach only the keyboard commands and the output engine.
class CMainDlg : public ui::HostWindow, public widgets::ICoordButtonClickListener {
    Q_OBJECT
  public:
    // The delay of the one replay of the current effect after start-up.
    static constexpr std::uint32_t kReplayDelayMs = 2000;
    // A keyboard command never follows the previous one sooner than this.
    static constexpr std::chrono::milliseconds kCommandSpacing = KeyboardCommands::kCommandSpacing;

    explicit CMainDlg(MainWindowContext context);
    // The shutdown order: the virtual device releases everything, the task
    // runner and the playback stop, the key monitor goes (clearing the
    // filter's key table); then, with no thread left that could press a key,
    // the virtual device releases everything once more.
    ~CMainDlg() override;

    // Puts `handler` in place of the window's own key-assignment flow.
    void SetKeyClickHandler(KeyClickHandler handler) { keyClick_ = std::move(handler); }

    // Marks every key that has a record on the keyboard map and gives it its
    // tooltip: the record's key name, then " : " and the translation of the
    // assigned thing's name when there is one.
    void MarkAssignedKeys();
    // After a device notification that left the keyboard open: firmware
    // version and text, command spacing, lighting page, key marks; ends a
    // factory restore.
    void RefreshKeyboardState();

    // The lighting page.
    void LoadMainLight(bool selectCombo);
    void StoreMainLight();
    void LoadSideLight(bool selectCombo);
    void StoreSideLight();
    bool OnLightListChanged(ui::Event& event);

    // Chrome, language, device information.
    void ShowMoreMenu();
    // The "more" menu's "Start with the desktop": writes the autostart entry
    // when there is none, else removes it; a failure goes to the log.
    void ToggleAutostart();
    bool SwitchLanguage(const QString& name);
    void UpdateFirmwareText();
    void CheckFirmware();
    void RestoreFactory();
    // btn_min and a "-hid" start: hidden to the tray, or minimised where the
    // desktop has no tray (said once on the log).
    void HideToTray();
    // A second start asked for the window: restored, shown, brought forward.
    void BringForward();

    // An arrival or removal of a device interface.
    void OnDeviceChange(platform::DeviceChange change, const std::string& path);

    // widgets::ICoordButtonClickListener: the key-assignment flow. The
    // release of a click on a key, while the keyboard is there, opens the
    // assignment dialog for that key and waits for it; OK stores the key's
    // record (record.xml, check mark, tooltip, the filter's key table),
    // "remove" deletes it, cancel changes nothing here. Always 0, so the map
    // applies its own selection to the press.
    int OnCoordButtonClick(qint32 id, QString name, quint32 up, quint32 flags,
                           QPoint point) override;
    // A new assignment dialog for key `id`, as a click opens it (the key's
    // name is added to the keys being assigned); not yet created.
    std::unique_ptr<assign::MacroRecordDlg> MakeAssignmentDialog(qint32 id, const QString& name);
    // The assignment dialog while it runs; null otherwise.
    assign::MacroRecordDlg* ActiveDialog() const { return activeDialog_; }

    HidDevice& Keyboard() { return keyboard_; }
    KeyboardCommands& Commands() { return commands_; }
    HidUsbFilter::KeyMonitor& Monitor() { return *keyMonitor_; }
    OutputEngine& Engine() { return *engine_; }
    bool RestoreInProgress() const { return restoreInProgress_ != 0; }
    // A slider's command waits for its turn.
    bool HasHeldBackCommand() const { return mainDeferred_ || sideDeferred_; }
    bool TrayAvailable() const;

  protected:
    void OnInit() override;
    void OnMessage(const Message& message) override;
    void OnDestroy() override;

  private:
    // Posted message ids.
    static constexpr int kDeviceChangesQueued = 0x8001;
    static constexpr int kCloseRequest = 0x0010; // the close message

    void BindControls();
    void RouteEvents();
    // The key-assignment flow after the release on key `id`.
    void AssignKeyFlow(qint32 id, const QString& name);
    void StoreAssignment(qint32 id, KeyCode code, const QString& name);
    void RemoveAssignment(qint32 id, KeyCode code);
    void StartEngine();
    void OnMenuCommand(int id);
    void Warn(QWidget* owner, const QString& text,
              ui::MessageButtons buttons = ui::MessageButtons::Ok, int* result = nullptr);
    // The text of a start without keyboard: missing, or there but not ours
    // to open.
    QString NoKeyboardText() const;
    void CopyNoSideLight(const std::optional<SupportedKeyboard>& row);
    int LoaderChoice() const;
    void ShowEffectPage(int page);

    // The lighting commands of the page. A command waits for the spacing
    // since the one before; a slider being dragged would make every move wait
    // up to 100 ms on the UI thread. So a slider's command that comes before
    // the spacing has passed is deferred, and a later move replaces it: once
    // the spacing allows, the latest position is sent, once.
    void SendMainNow();
    void SendSideNow();
    void DeferOrSend(bool main);
    void FlushDeferred();

    MainWindowContext context_;
    HidDevice keyboard_;
    KeyboardCommands commands_;
    std::map<qint32, QString> assignKeyNames_; // for the key-assignment flow
    assign::MacroRecordDlg* activeDialog_ = nullptr;
    widgets::CoordButtonImage* keyboardMap_ = nullptr;
    ui::TabCtrl* effectTabs_ = nullptr;
    ui::ComboBox* effectList_ = nullptr;
    ui::ComboBox* levelList_ = nullptr;
    ui::ComboBox* sideModeList_ = nullptr;
    ui::Slider* sideLevelSlider_ = nullptr;
    std::array<ui::Slider*, 4> speedSliders_{};
    std::array<ui::Slider*, 4> brightnessSliders_{};
    std::vector<ui::RadioBox*> directionRadios_;
    std::vector<ui::RadioBox*> loaderRadios_;
    QWidget* sideLevelLabel_ = nullptr;
    std::int32_t restoreInProgress_ = 0;

    // The threads: the engine (with its playback thread) and the key monitor
    // are made at construction and stopped in the destructor's order.
    std::unique_ptr<OutputEngine> engine_;
    std::unique_ptr<HidUsbFilter::KeyMonitor> keyMonitor_;
    std::unique_ptr<RunableThread<0>> taskRunner_;

    // Device notifications come from a back-end thread as a wake-up; the
    // relay lets a wake-up that comes after the window is gone do nothing.
    struct NotificationRelay {
        std::mutex lock;
        CMainDlg* window = nullptr; // null once the window is gone
    };
    std::shared_ptr<NotificationRelay> relay_;
    bool wakePosted_ = false; // guarded by relay_->lock

    KeyClickHandler keyClick_;

    // Deferred slider commands.
    Clock& Time() const { return context_.clock != nullptr ? *context_.clock : SystemClock(); }
    Clock::TimePoint lastSent_{};
    bool mainDeferred_ = false;
    bool sideDeferred_ = false;
    QTimer deferTimer_;
    bool noTrayNoted_ = false;
};

} // namespace keywright::app
