#pragma once

#include "ui/StockControls.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QSystemTrayIcon>
#include <QVariant>

namespace keywright::widgets {

// The tray icon ("shellnotifyicon"): puts the program's icon into the
// system tray while the widget lives. A left click on the icon hides the
// window that holds the widget when it is visible, and shows it and brings it
// to the front when it is not; a right click opens the widget's menu, whose
// chosen command reaches that window as a menu command. A window that
// implements IShellNotifyHost is offered each click first and may take it
// over. The widget draws nothing and takes no mouse input in its window.
//
// Layout attributes:
//   "ico"         icon names separated by ";", each an icon resource
//                 ("ICON:name", or just "name" for "ICON:name"); names that do
//                 not load are left out
//   "deficoidx"   which of them shows (decimal or 0x text; default 0, and 0
//                 when beyond the list); with none "ICON:ICON_LOGO" shows
//   "tip"         the icon's tooltip, at most 127 characters ("@string/name"
//                 is expanded; translated as any window text)
//   "menu"        menu resource ("SMENU:menu_tray"): a root "menu" is a classic
//                 menu, "menuRoot" or "menuItem" an extended one, any other
//                 root gives no menu (and the name is not kept); a resource
//                 that does not load changes nothing
//   "startframe", "duration"  kept; nothing animates the icon
//
// The icon appears when the layout is loaded (OnLoaded; code that makes the
// widget calls it after setting the attributes). Qt brings it back when the
// tray restarts.
class SShellNotifyIcon : public ui::Window {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("shellnotifyicon", ui::Window)
    Q_PROPERTY(QString ico READ IconNames WRITE SetIconNames)
    Q_PROPERTY(QString tip READ Tip WRITE SetTip)
    Q_PROPERTY(QString menu READ MenuName WRITE SetMenuName)
    Q_PROPERTY(QVariant deficoidx READ DefaultIconIndexValue WRITE SetDefaultIconIndexValue)
    Q_PROPERTY(QVariant startframe READ StartFrameValue WRITE SetStartFrameValue)
    Q_PROPERTY(QVariant duration READ DurationValue WRITE SetDurationValue)

  public:
    static constexpr int kMaxTipLength = 127;
    enum MenuKind { kClassicMenu = 0, kExtendedMenu = 1, kNoMenu = 2 };

    explicit SShellNotifyIcon(QWidget* parent = nullptr);

    const QString& IconNames() const { return iconNames_; }
    void SetIconNames(const QString& names);
    const QString& Tip() const { return tip_; }
    void SetTip(const QString& tip);
    const QString& MenuName() const { return menuName_; }
    void SetMenuName(const QString& name);
    MenuKind MenuType() const { return menuKind_; }
    int DefaultIconIndex() const { return defaultIconIndex_; }
    int StartFrame() const { return startFrame_; }
    int Duration() const { return duration_; }

    // The icons that loaded, in order.
    int IconCount() const { return static_cast<int>(icons_.size()); }
    // The tray icon itself (its icon, tooltip, visibility); its activated
    // signal drives the clicks.
    QSystemTrayIcon& TrayIcon() { return tray_; }
    const QSystemTrayIcon& TrayIcon() const { return tray_; }

    // Initialisation: picks the icon and adds it to the tray.
    void OnLoaded() override;
    void Retranslate() override;

  private:
    QVariant DefaultIconIndexValue() const { return defaultIconIndex_; }
    void SetDefaultIconIndexValue(const QVariant& value);
    QVariant StartFrameValue() const { return startFrame_; }
    void SetStartFrameValue(const QVariant& value);
    QVariant DurationValue() const { return duration_; }
    void SetDurationValue(const QVariant& value);
    QString ShownTip() const;
    // Shows the icon at the default index, or the logo without icons.
    void ShowCurrentIcon();
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void ShowContextMenu();

    QString iconNames_;
    QList<QIcon> icons_;
    QString tip_;
    QString menuName_;
    MenuKind menuKind_ = kNoMenu;
    int defaultIconIndex_ = 0;
    int startFrame_ = 1;
    int duration_ = 200;
    QSystemTrayIcon tray_;
    bool created_ = false;
};

} // namespace keywright::widgets
