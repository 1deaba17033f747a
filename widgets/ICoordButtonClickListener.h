#pragma once

#include <QPoint>
#include <QString>
#include <Qt>
#include <QtGlobal>

namespace keywright::widgets {

// The key-state flags a click reports: which mouse buttons and modifier keys
// were down when the mouse message came (the button that was just released
// is no longer down).
enum KeyStateFlag : quint32 {
    kKeyStateLeftButton = 0x0001,
    kKeyStateRightButton = 0x0002,
    kKeyStateShift = 0x0004,
    kKeyStateControl = 0x0008,
    kKeyStateMiddleButton = 0x0010,
    kKeyStateXButton1 = 0x0020,
    kKeyStateXButton2 = 0x0040,
};

quint32 KeyStateFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// Receives the left-button presses and releases on the keys of a
// CoordButtonImage. Installed by the host window; the map does not own it.
class ICoordButtonClickListener {
  public:
    virtual ~ICoordButtonClickListener() = default;

    // `id` is the key's usage ID and `name` a copy of its name; `up` is 0 for
    // the press and 1 for the release; `point` is in the map's own pixels.
    // Non-zero takes the click: the map then changes no check mark. Zero lets
    // the map apply its selection mode (to a press only).
    virtual int OnCoordButtonClick(qint32 id, QString name, quint32 up, quint32 flags,
                                   QPoint point) = 0;
};

} // namespace keywright::widgets
