#include "widgets/SShellNotifyIcon.h"

#include "ui/Menu.h"
#include "ui/Toolkit.h"
#include "ui/WindowTexts.h"
#include "widgets/Attributes.h"
#include "widgets/IShellNotifyHost.h"

#include <QCursor>
#include <QPointer>

namespace keywright::widgets {
namespace {

const QString kLogoIcon = QStringLiteral("ICON:ICON_LOGO");

QIcon LoadIcon(const QString& name) {
    const ui::Toolkit* toolkit = ui::Toolkit::Instance();
    if (toolkit == nullptr || name.isEmpty())
        return {};
    return toolkit->Icon(name.contains(u':') ? name : QStringLiteral("ICON:") + name);
}

} // namespace

SShellNotifyIcon::SShellNotifyIcon(QWidget* parent) : ui::Window(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&tray_, &QSystemTrayIcon::activated, this, &SShellNotifyIcon::OnActivated);
}

void SShellNotifyIcon::SetIconNames(const QString& names) {
    iconNames_ = names;
    icons_.clear();
    for (const QString& name : names.split(u';', Qt::SkipEmptyParts)) {
        const QIcon icon = LoadIcon(name.trimmed());
        if (!icon.isNull())
            icons_.append(icon);
    }
    if (created_)
        ShowCurrentIcon();
}

void SShellNotifyIcon::SetTip(const QString& tip) {
    tip_ = ui::ExpandString(tip);
    if (created_)
        tray_.setToolTip(ShownTip());
}

void SShellNotifyIcon::SetMenuName(const QString& name) {
    ui::Menu menu;
    if (!menu.LoadResource(name)) {
        WarnBadAttribute(this, "menu", name);
        return;
    }
    const QString& root = menu.RootName();
    if (root == u"menu")
        menuKind_ = kClassicMenu;
    else if (root == u"menuRoot" || root == u"menuItem")
        menuKind_ = kExtendedMenu;
    else
        menuKind_ = kNoMenu;
    if (menuKind_ != kNoMenu)
        menuName_ = name;
}

void SShellNotifyIcon::SetDefaultIconIndexValue(const QVariant& value) {
    ApplyIntAttribute(value, defaultIconIndex_, "deficoidx", this);
}

void SShellNotifyIcon::SetStartFrameValue(const QVariant& value) {
    ApplyIntAttribute(value, startFrame_, "startframe", this);
}

void SShellNotifyIcon::SetDurationValue(const QVariant& value) {
    ApplyIntAttribute(value, duration_, "duration", this);
}

QString SShellNotifyIcon::ShownTip() const {
    QString shown = ui::Tr(tip_);
    if (shown.size() > kMaxTipLength) {
        // Cut between characters, not inside a surrogate pair.
        qsizetype length = kMaxTipLength;
        if (shown.at(length - 1).isHighSurrogate())
            --length;
        shown.truncate(length);
    }
    return shown;
}

void SShellNotifyIcon::ShowCurrentIcon() {
    // An index beyond the list, or below it, shows the first icon.
    if (defaultIconIndex_ < 0 || defaultIconIndex_ >= icons_.size())
        defaultIconIndex_ = 0;
    tray_.setIcon(icons_.isEmpty() ? LoadIcon(kLogoIcon) : icons_.at(defaultIconIndex_));
}

void SShellNotifyIcon::OnLoaded() {
    ui::Window::OnLoaded();
    if (created_)
        return;
    created_ = true;
    ShowCurrentIcon();
    tray_.setToolTip(ShownTip());
    tray_.show();
}

void SShellNotifyIcon::Retranslate() {
    ui::Window::Retranslate();
    if (created_)
        tray_.setToolTip(ShownTip());
}

void SShellNotifyIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    QWidget* host = window();
    if (auto* handler = dynamic_cast<IShellNotifyHost*>(host);
        handler != nullptr && handler->OnShellNotify(reason))
        return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (host->isVisible()) {
            host->hide();
        } else {
            host->show();
            host->raise();
            host->activateWindow();
        }
        break;
    case QSystemTrayIcon::Context:
        ShowContextMenu();
        break;
    default:
        break;
    }
}

void SShellNotifyIcon::ShowContextMenu() {
    if (menuKind_ == kNoMenu)
        return;
    ui::Menu menu;
    if (!menu.LoadResource(menuName_))
        return;
    QWidget* host = window();
    const QPoint at = QCursor::pos();
    host->raise();
    host->activateWindow();
    menu.Exec(at, host);
}

} // namespace keywright::widgets
