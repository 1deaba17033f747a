#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace keywright::ui {

// What an event reports. Widgets raise events of their own with ids from
// kFirstWidgetEvent on.
enum EventId : int {
    // A button, check box, radio button, image button, list row or menu item
    // was chosen by the user.
    kCommandEvent = 1,
    // The user moved a slider; value = the new position. Positions set from
    // code raise nothing.
    kSliderPosEvent,
    // The selection of a combo box or list view changed; value = the new
    // index (-1: none), previous = the old one.
    kSelChangedEvent,
    // The text of an edit changed, typed or set from code.
    kEditChangedEvent,
    // The current page of a tab control changed; value = new, previous = old.
    kTabSelChangedEvent,
    // The pointer entered / left a tab header; value = the header's index.
    kTabItemHoverEvent,
    kTabItemLeaveEvent,
};
inline constexpr int kFirstWidgetEvent = 1000;

struct Event {
    int id = 0;
    // The control that raised it; null for a menu command.
    QWidget* sender = nullptr;
    // The sender's name (object name), or the chosen menu item's name.
    QString name;
    // The sender's control ID, or the chosen menu item's ID; 0 for none.
    int controlId = 0;
    int value = -1;
    int previous = -1;
    // True for a command chosen from a popup menu.
    bool menu = false;
    // Set by whoever acted on the event; ends its delivery.
    bool handled = false;
};

using EventHandler = std::function<void(Event&)>;

// A window that receives the events of the controls inside it, after the
// controls' own subscribers (HostWindow).
class IEventHost {
  public:
    virtual ~IEventHost() = default;
    virtual void HandleEvent(Event& event) = 0;
};

// Raises `event` from `sender`: fills in sender, name and control ID, calls
// the sender's own subscribers in subscription order, then, unless one of
// them marked it handled, the nearest enclosing IEventHost. Delivery stops
// when the sender is destroyed by a subscriber.
void RaiseEvent(QWidget* sender, Event& event);

// Hands a command straight to `owner` (or the IEventHost enclosing it), as a
// popup menu delivers its chosen item.
void DeliverCommand(QWidget* owner, Event& event);

// The nearest IEventHost among `widget` and its ancestors; null if none.
IEventHost* HostOf(QWidget* widget);

} // namespace keywright::ui
