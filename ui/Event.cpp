#include "ui/Event.h"

#include "ui/Control.h"
#include "ui/WindowTree.h"

#include <QPointer>
#include <QWidget>

namespace keywright::ui {

IEventHost* HostOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* host = dynamic_cast<IEventHost*>(w))
            return host;
    }
    return nullptr;
}

void RaiseEvent(QWidget* sender, Event& event) {
    event.sender = sender;
    event.name = sender->objectName();
    event.controlId = IdOf(sender);
    const QPointer<QWidget> alive(sender);
    if (auto* control = dynamic_cast<Control*>(sender)) {
        for (const auto& handler : control->SubscribersOf(event.id)) {
            (*handler)(event);
            if (event.handled || alive.isNull())
                return;
        }
    }
    if (IEventHost* host = HostOf(sender))
        host->HandleEvent(event);
}

void DeliverCommand(QWidget* owner, Event& event) {
    if (IEventHost* host = HostOf(owner))
        host->HandleEvent(event);
}

} // namespace keywright::ui
