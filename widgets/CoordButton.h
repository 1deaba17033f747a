#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QtGlobal>

namespace keywright::widgets {

// A key's rectangle on the keyboard map, in the map's own pixels from its
// top-left corner. Right and bottom are exclusive: the key covers
// left <= x < right and top <= y < bottom, so a rectangle whose right is not
// beyond its left (or bottom beyond top) covers nothing.
struct CoordRect {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(QPoint point) const {
        return left <= point.x() && point.x() < right && top <= point.y() && point.y() < bottom;
    }
    // The same area as a QRect; an empty QRect when it covers nothing.
    QRect ToQRect() const {
        return IsEmpty() ? QRect() : QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }
    friend bool operator==(const CoordRect&, const CoordRect&) = default;
};

// One key of the keyboard map, as its line of the positions file gives it plus
// the marks the host and the mouse put on it.
struct CoordButton {
    // Fill colour of a key whose "color" is missing or empty: white with
    // alpha 0, so nothing shows.
    static constexpr quint32 kDefaultColor = 0x00FFFFFF;

    qint32 id = -1; // HID usage ID; every lookup by key uses it
    qint32 va = -1; // HID usage page; the key code is (va << 16) | (id & 0xFFFF)
    QString name;   // display name, passed to the listener, fallback tooltip
    CoordRect rect;
    quint32 color = kDefaultColor; // 0xAABBGGRR: alpha, blue, green, red
    QString tip;                   // tooltip set by the host; empty: the name shows
    bool checked = false;          // drawn from the checked picture
    bool hover = false;            // the pointer is over the key
    bool pressed = false;          // a left press began here and was not released here yet

    friend bool operator==(const CoordButton&, const CoordButton&) = default;
};

// The QColor of a colour in the 0xAABBGGRR form.
inline QColor ColorFromAbgr(quint32 abgr) {
    return QColor(static_cast<int>(abgr & 0xFF), static_cast<int>((abgr >> 8) & 0xFF),
                  static_cast<int>((abgr >> 16) & 0xFF), static_cast<int>((abgr >> 24) & 0xFF));
}

} // namespace keywright::widgets
