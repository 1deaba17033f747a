#include "app/CMainDlg.h"

#include "app/InstanceTag.h"
#include "app/NamedIds.h"
#include "base/Log.h"
#include "device/HidDiscovery.h"
#include "threads/ThreadRunable.h"
#include "ui/ComboBox.h"
#include "ui/Slider.h"
#include "ui/StockControls.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTexts.h"
#include "ui/WindowTree.h"
#include "widgets/CoordButtonImage.h"

#include <QSystemTrayIcon>

namespace keywright::app {
namespace {

// The menu commands the window acts on; every other ID is ignored.
constexpr int kMenuCheckFirmware = 1;
constexpr int kMenuExit = 6;

} // namespace

CMainDlg::CMainDlg(MainWindowContext context)
    : ui::HostWindow(QStringLiteral("LAYOUT:XML_MAINWND")), context_(std::move(context)),
      keyboard_(context_.backend.Hid(), context_.backend.Locks(), context_.trace),
      commands_(keyboard_, context_.settings.GetLedEffectTable(),
                context_.settings.GetSideModelTable()),
      engine_(std::make_unique<OutputEngine>(context_.settings.GetRecordStore(),
                                             context_.virtualDevice, Time())),
      keyMonitor_(std::make_unique<HidUsbFilter::KeyMonitor>(context_.backend.Filter())),
      taskRunner_(std::make_unique<RunableThread<0>>()),
      relay_(std::make_shared<NotificationRelay>()) {
    relay_->window = this;
    deferTimer_.setSingleShot(true);
    connect(&deferTimer_, &QTimer::timeout, this, [this] { FlushDeferred(); });
}

CMainDlg::~CMainDlg() {
    {
        std::lock_guard lock(relay_->lock);
        relay_->window = nullptr;
    }
    context_.virtualDevice.ReleaseAll();
    taskRunner_.reset();
    engine_->StopPlayback();
    keyMonitor_.reset();
    // The reader may have started a playback between the two stops above;
    // with the monitor gone nothing starts one any more.
    engine_.reset();
    context_.virtualDevice.ReleaseAll();
}

int CMainDlg::OnCoordButtonClick(qint32 id, QString name, quint32 up, quint32 flags, QPoint point) {
    if (keyClick_)
        return keyClick_(*this, id, name, up, flags, point);
    if (up != 0 && keyboard_.IsOpen())
        AssignKeyFlow(id, name);
    return 0;
}

bool CMainDlg::TrayAvailable() const {
    return context_.trayAvailable ? context_.trayAvailable()
                                  : QSystemTrayIcon::isSystemTrayAvailable();
}

void CMainDlg::OnInit() {
    // 1. The instance property: a second start finds the window by it.
    setProperty(InstanceTag().toUtf8().constData(), 1);

    // 2. Device notifications. The back end wakes us from its own thread;
    // the changes are then taken on this one.
    std::weak_ptr<NotificationRelay> relay = relay_;
    RegisterHidNotifications(
        context_.backend.Notifications(),
        [relay](platform::DeviceChange change, const std::string& path) {
            // Dispatch runs on the UI thread, from OnMessage.
            if (const auto shared = relay.lock(); shared && shared->window != nullptr)
                shared->window->OnDeviceChange(change, path);
        },
        [relay] {
            const auto shared = relay.lock();
            if (!shared)
                return;
            std::lock_guard lock(shared->lock);
            if (shared->window == nullptr || shared->window->wakePosted_)
                return;
            shared->window->wakePosted_ = true;
            shared->window->Post({kDeviceChangesQueued, 0, 0});
        });

    // 3.-5. Controls.
    BindControls();
    RouteEvents();

    // 6. The command spacing starts now.
    commands_.MarkCommandTime();
    lastSent_ = Time().Now();

    // 7. The keyboard.
    CopyNoSideLight(OpenSupportedKeyboard(keyboard_));

    // 8. Without one the program ends.
    if (!keyboard_.IsOpen()) {
        commands_.ForgetFirmwareVersion();
        UpdateFirmwareText();
        Warn(nullptr, NoKeyboardText());
        DestroyWindow();
        return;
    }

    // 9.-11. Firmware, key marks, lighting page.
    commands_.QueryFirmwareVersion();
    UpdateFirmwareText();
    MarkAssignedKeys();
    LoadMainLight(true);
    LoadSideLight(true);

    // 12.-16. The delayed replay and the key engine.
    StartEngine();
}

void CMainDlg::StartEngine() {
    auto replay = std::make_unique<ThreadRunable<KeyboardCommands>>(
        &commands_, &KeyboardCommands::ReplayMainEffect);
    replay->interval = kReplayDelayMs;
    replay->runs = 1;
    replay->firstArg = 0;
    replay->secondArg = context_.settings.GetLedEffectTable().GetCurrent();
    taskRunner_->Post(std::move(replay), false);
    taskRunner_->Start(this);

    // The engine's playback thread starts with the first macro key.
    keyMonitor_->Subscribe(engine_.get(), &OutputEngine::OnKeyEvent);
    keyMonitor_->Channel().Open();
    keyMonitor_->RestartReader();
    keyMonitor_->SendKeyTable(context_.settings.GetRecordStore());
}

void CMainDlg::BindControls() {
    effectTabs_ = Find<ui::TabCtrl>(QStringLiteral("tab_color_effect"));
    keyboardMap_ = Find<widgets::CoordButtonImage>(QStringLiteral("img_keyboard"));
    if (keyboardMap_ != nullptr)
        keyboardMap_->SetClickListener(this);
    levelList_ = Find<ui::ComboBox>(QStringLiteral("cbx_in_lv"));
    if (levelList_ != nullptr) {
        levelList_->SetCurSel(0, true);
        // Its choice means nothing to the program.
        levelList_->Subscribe(ui::kSelChangedEvent, [](ui::Event&) {});
    }
    effectList_ = Find<ui::ComboBox>(QStringLiteral("cbx_color_effect"));
    sideModeList_ = Find<ui::ComboBox>(QStringLiteral("cbx_side_color_effect"));
    for (ui::ComboBox* list : {effectList_, sideModeList_}) {
        if (list != nullptr)
            list->Subscribe(ui::kSelChangedEvent, [this](ui::Event& event) {
                event.handled = OnLightListChanged(event);
            });
    }
    sideLevelSlider_ = Find<ui::Slider>(QStringLiteral("bar_side_brightness"));
    sideLevelLabel_ = ui::FindByName(this, QStringLiteral("text_side_brightness"), "window");

    constexpr std::array<int, 4> kSpeedIds{kIdSpeed0, kIdSpeed1, 0, kIdSpeed3};
    constexpr std::array<int, 4> kBrightnessIds{kIdBrightness0, kIdBrightness1, kIdBrightness2,
                                                kIdBrightness3};
    for (std::size_t page = 0; page < 4; ++page) {
        speedSliders_[page] = kSpeedIds[page] != 0 ? Find<ui::Slider>(kSpeedIds[page]) : nullptr;
        brightnessSliders_[page] = Find<ui::Slider>(kBrightnessIds[page]);
    }
    const auto addRadios = [this](std::vector<ui::RadioBox*>& list,
                                  std::initializer_list<int> ids) {
        for (const int id : ids) {
            if (ui::RadioBox* radio = Find<ui::RadioBox>(id)) {
                radio->SetCheck(false);
                list.push_back(radio);
            }
        }
    };
    addRadios(directionRadios_, {kIdDirectionLeft0, kIdDirectionRight0});
    addRadios(loaderRadios_, {kIdLoaderLeft3, kIdLoaderCenter3, kIdLoaderRight3});
}

void CMainDlg::RouteEvents() {
    OnCommand(QStringLiteral("btn_more"), [this](ui::Event&) { ShowMoreMenu(); });
    OnCommand(QStringLiteral("btn_close"), [this](ui::Event&) { DestroyWindow(); });
    OnCommand(QStringLiteral("btn_min"), [this](ui::Event&) { HideToTray(); });
    OnCommand(QStringLiteral("btn_max"), [this](ui::Event&) { showMaximized(); });
    OnCommand(QStringLiteral("btn_restore"), [this](ui::Event&) { showNormal(); });
    OnCommand(QStringLiteral("zh_cn"), [this](ui::Event&) { SwitchLanguage("lang_cn"); });
    OnCommand(QStringLiteral("jp"), [this](ui::Event&) { SwitchLanguage("lang_en"); });
    OnCommand(QStringLiteral("autostart"), [this](ui::Event&) { ToggleAutostart(); });
    OnCommand(QStringLiteral("btn_restore_factory"), [this](ui::Event&) { RestoreFactory(); });
    for (const int id : {kMenuCheckFirmware, kMenuExit}) {
        // Menu commands only; a control that happened to carry the same ID
        // is consumed without action.
        OnCommand(id, [this](ui::Event& event) {
            if (event.menu)
                OnMenuCommand(event.controlId);
        });
    }
    const auto mainChanged = [this](ui::Event& event) {
        if (!event.sender || !ui::IsClass(event.sender, "sliderbar"))
            return;
        StoreMainLight();
        DeferOrSend(true);
    };
    const auto radioChanged = [this](ui::Event&) {
        StoreMainLight();
        SendMainNow();
    };
    for (const int id :
         {kIdDirectionLeft0, kIdDirectionRight0, kIdLoaderLeft3, kIdLoaderCenter3, kIdLoaderRight3})
        OnCommand(id, radioChanged);
    for (const char* name : {"bar_general_speed_0", "bar_const_brightness_0", "bar_general_speed_1",
                             "bar_const_brightness_1", "bar_const_brightness_2",
                             "bar_general_speed_3", "bar_const_brightness_3"})
        OnEvent(ui::kSliderPosEvent, QString::fromLatin1(name), mainChanged);
    OnEvent(ui::kSliderPosEvent, QStringLiteral("bar_side_brightness"), [this](ui::Event& event) {
        if (!event.sender || !ui::IsClass(event.sender, "sliderbar"))
            return;
        StoreSideLight();
        DeferOrSend(false);
    });
}

void CMainDlg::OnMenuCommand(int id) {
    if (id == kMenuCheckFirmware)
        CheckFirmware();
    else if (id == kMenuExit)
        Post({kCloseRequest, 0, 0});
}

void CMainDlg::OnMessage(const Message& message) {
    if (message.id == kDeviceChangesQueued) {
        {
            std::lock_guard lock(relay_->lock);
            wakePosted_ = false;
        }
        context_.backend.Notifications().Dispatch();
    } else if (message.id == kCloseRequest) {
        DestroyWindow();
    }
}

void CMainDlg::OnDestroy() {
    setProperty(InstanceTag().toUtf8().constData(), QVariant());
    deferTimer_.stop();
}

void CMainDlg::Warn(QWidget* owner, const QString& text, ui::MessageButtons buttons, int* result) {
    const int answer = context_.messageBox(owner, QStringLiteral("Warning"), text, buttons);
    if (result != nullptr)
        *result = answer;
}

QString CMainDlg::NoKeyboardText() const {
    const platform::HidOpenResult& failure = keyboard_.LastOpenResult();
    if (failure.error != platform::HidOpenError::PermissionDenied)
        return QStringLiteral("Please insert USB device!");
    // There, but this user may not open it: inserting it again would not help.
    LogLine("device: the keyboard is there but cannot be opened: " + failure.message);
    return QStringLiteral("The keyboard is connected but this user may not open it. Run once: "
                          "sudo packaging/linux/keywright-setup-uinput");
}

void CMainDlg::CopyNoSideLight(const std::optional<SupportedKeyboard>& row) {
    if (row)
        commands_.SetNoSideLight(row->noSideLight);
}

void CMainDlg::MarkAssignedKeys() {
    if (keyboardMap_ == nullptr)
        return;
    const auto records = context_.settings.GetRecordStore().Snapshot();
    for (const KeyRecord& record : *records) {
        const qint32 key = static_cast<qint32>(record.code & 0xFFFF);
        QString tip = QString::fromStdString(record.name);
        if (!record.group.empty())
            tip += QStringLiteral(" : ") + ui::Tr(QString::fromStdString(record.group));
        keyboardMap_->SetButtonChecked(key, true);
        keyboardMap_->SetButtonTip(tip, key);
    }
}

void CMainDlg::RefreshKeyboardState() {
    commands_.QueryFirmwareVersion();
    UpdateFirmwareText();
    commands_.MarkCommandTime();
    lastSent_ = Time().Now();
    LoadMainLight(true);
    LoadSideLight(true);
    MarkAssignedKeys();
    restoreInProgress_ = 0;
}

void CMainDlg::OnDeviceChange(platform::DeviceChange change, const std::string& path) {
    // A window on its way out (no keyboard at start, closed) follows nothing.
    if (IsDestroyed() || !ParseHidPath(path))
        return;
    if (const auto row = MatchSupportedKeyboard(path)) {
        keyboard_.Close();
        if (keyboard_.OpenById(row->vendorId, row->productId, row->interfaceNumber,
                               row->collectionNumber))
            commands_.SetNoSideLight(row->noSideLight);
    } else if (change == platform::DeviceChange::Removal) {
        return; // another device went: nothing of ours changed
    }
    if (keyboard_.IsOpen()) {
        RefreshKeyboardState();
    } else {
        commands_.ForgetFirmwareVersion();
        UpdateFirmwareText();
        if (change == platform::DeviceChange::Removal && restoreInProgress_ == 0) {
            DestroyWindow();
            return;
        }
    }
    if (change == platform::DeviceChange::Arrival)
        keyMonitor_->Channel().Open();
}

} // namespace keywright::app
