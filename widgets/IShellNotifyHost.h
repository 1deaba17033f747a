#pragma once

#include <QSystemTrayIcon>

namespace keywright::widgets {

// A window holding an SShellNotifyIcon may implement this to handle the
// icon's mouse messages itself. The icon offers each one to the window that
// holds it first; when the window takes it, the icon does nothing more with
// it (no showing or hiding, no menu).
class IShellNotifyHost {
  public:
    virtual ~IShellNotifyHost() = default;
    // True takes the message over.
    virtual bool OnShellNotify(QSystemTrayIcon::ActivationReason reason) = 0;
};

} // namespace keywright::widgets
