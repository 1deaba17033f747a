#include "widgets/CoordButtonImage.h"

#include "ui/Toolkit.h"
#include "widgets/Attributes.h"
#include "widgets/CoordPositions.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

namespace keywright::widgets {
namespace {

// Copies `rect` of `picture` (in its 100 % pixels) to the same place on the
// widget.
void CopyKey(QPainter& painter, const QPixmap& picture, const CoordRect& rect) {
    if (rect.IsEmpty())
        return;
    const qreal ratio = picture.devicePixelRatio();
    const QRectF target(rect.left, rect.top, qreal(rect.right) - rect.left,
                        qreal(rect.bottom) - rect.top);
    const QRectF source(target.x() * ratio, target.y() * ratio, target.width() * ratio,
                        target.height() * ratio);
    painter.drawPixmap(target, picture, source);
}

} // namespace

quint32 KeyStateFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    quint32 flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= kKeyStateLeftButton;
    if (buttons & Qt::RightButton)
        flags |= kKeyStateRightButton;
    if (buttons & Qt::MiddleButton)
        flags |= kKeyStateMiddleButton;
    if (buttons & Qt::XButton1)
        flags |= kKeyStateXButton1;
    if (buttons & Qt::XButton2)
        flags |= kKeyStateXButton2;
    if (modifiers & Qt::ShiftModifier)
        flags |= kKeyStateShift;
    if (modifiers & Qt::ControlModifier)
        flags |= kKeyStateControl;
    return flags;
}

CoordButtonImage::CoordButtonImage(QWidget* parent) : ui::Window(parent) {
    setMouseTracking(true);
}

void CoordButtonImage::SetImage(QString& slot, const QString& id, const char* attribute) {
    if (ui::FindImage(id, this).isNull()) {
        WarnBadAttribute(this, attribute, id);
        return;
    }
    slot = id;
    update();
}

void CoordButtonImage::SetBackgroundImage(const QString& id) {
    SetImage(backgroundId_, id, "bg");
}

void CoordButtonImage::SetHoverImage(const QString& id) {
    SetImage(hoverId_, id, "chking");
}

void CoordButtonImage::SetCheckedImage(const QString& id) {
    SetImage(checkedId_, id, "chked");
}

void CoordButtonImage::SetPositionsPath(const QString& path) {
    positionsPath_ = ui::ExpandString(path);
}

void CoordButtonImage::SetSelectionModeValue(const QVariant& value) {
    ApplyIntAttribute(value, selectionMode_, "type", this);
}

void CoordButtonImage::OnLoaded() {
    ui::Window::OnLoaded();
    if (positionsLoaded_)
        return;
    positionsLoaded_ = true;
    if (positionsPath_.isEmpty())
        return;
    buttons_ = LoadPositionsFile(
        PositionsFilePath(QCoreApplication::applicationDirPath(), positionsPath_), defaultColor_);
    update();
}

template <class Change>
void CoordButtonImage::ForKeys(qint32 id, Change change) {
    for (CoordButton& key : buttons_) {
        if (id == kAllButtons) {
            change(key);
        } else if (key.id == id) {
            change(key);
            break;
        }
    }
    update();
}

void CoordButtonImage::SetButtonChecked(qint32 id, bool checked) {
    ForKeys(id, [checked](CoordButton& key) { key.checked = checked; });
}

void CoordButtonImage::ToggleButtonChecked(qint32 id) {
    ForKeys(id, [](CoordButton& key) { key.checked = !key.checked; });
}

void CoordButtonImage::SetButtonTip(const QString& tip, qint32 id) {
    ForKeys(id, [&tip](CoordButton& key) { key.tip = tip; });
}

bool CoordButtonImage::GetButton(qint32 id, CoordButton* out) const {
    for (const CoordButton& key : buttons_) {
        if (key.id == id) {
            if (out != nullptr)
                *out = key;
            return true;
        }
    }
    return false;
}

CoordButton* CoordButtonImage::FirstAt(QPoint point) {
    for (CoordButton& key : buttons_) {
        if (key.rect.Contains(point))
            return &key;
    }
    return nullptr;
}

const CoordButton* CoordButtonImage::LastAt(QPoint point) const {
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
        if (it->rect.Contains(point))
            return &*it;
    }
    return nullptr;
}

void CoordButtonImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const CoordButton& key : buttons_) {
        if (!key.rect.IsEmpty())
            painter.fillRect(key.rect.ToQRect(), ColorFromAbgr(key.color));
    }
    if (!backgroundId_.isEmpty()) {
        const QPixmap background = ui::FindImage(backgroundId_, this);
        if (!background.isNull())
            painter.drawPixmap(QRectF(rect()), background, QRectF(background.rect()));
    }
    // The checked look goes last, so a key both hovered and checked shows it.
    const struct {
        const QString& id;
        bool CoordButton::*mark;
    } overlays[] = {{hoverId_, &CoordButton::hover}, {checkedId_, &CoordButton::checked}};
    for (const auto& overlay : overlays) {
        if (overlay.id.isEmpty())
            continue;
        const QPixmap picture = ui::FindImage(overlay.id, this);
        if (picture.isNull())
            continue;
        for (const CoordButton& key : buttons_) {
            if (key.*overlay.mark)
                CopyKey(painter, picture, key.rect);
        }
    }
}

void CoordButtonImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    for (CoordButton& key : buttons_)
        key.hover = key.rect.Contains(point);
    const CoordButton* last = LastAt(point);
    setToolTip(last == nullptr ? QString() : !last->tip.isEmpty() ? last->tip : last->name);
    update();
    ui::Window::mouseMoveEvent(event);
}

void CoordButtonImage::leaveEvent(QEvent* event) {
    for (CoordButton& key : buttons_)
        key.hover = false;
    setToolTip(QString());
    update();
    ui::Window::leaveEvent(event);
}

void CoordButtonImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        ui::Window::mousePressEvent(event);
        return;
    }
    event->accept();
    CoordButton* key = FirstAt(event->position().toPoint());
    if (key == nullptr)
        return;
    const QPointer<CoordButtonImage> alive(this);
    RaiseClick(*key, 0, *event);
    if (alive.isNull())
        return;
    key->pressed = true;
    update();
}

void CoordButtonImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        ui::Window::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    CoordButton* key = FirstAt(event->position().toPoint());
    if (key == nullptr)
        return;
    if (key->pressed) {
        const QPointer<CoordButtonImage> alive(this);
        RaiseClick(*key, 1, *event);
        if (alive.isNull())
            return;
    }
    key->pressed = false;
    update();
}

void CoordButtonImage::RaiseClick(CoordButton& key, quint32 up, const QMouseEvent& event) {
    int taken = 0;
    if (listener_ != nullptr) {
        const QPointer<CoordButtonImage> alive(this);
        taken = listener_->OnCoordButtonClick(key.id, key.name, up,
                                              KeyStateFlags(event.buttons(), event.modifiers()),
                                              event.position().toPoint());
        if (alive.isNull())
            return;
    }
    if (taken == 0 && up == 0) {
        if (selectionMode_ == 1) {
            for (CoordButton& other : buttons_)
                other.checked = false;
            key.checked = true;
        } else if (selectionMode_ == 2) {
            key.checked = !key.checked;
        }
    }
    update();
}

bool CoordButtonImage::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The tooltip belongs to the key under the pointer: it goes when the
        // pointer leaves that key's rectangle.
        const auto* help = static_cast<QHelpEvent*>(event);
        const CoordButton* last = LastAt(help->pos());
        if (last == nullptr || toolTip().isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), toolTip(), this, last->rect.ToQRect());
        }
        return true;
    }
    return ui::Window::event(event);
}

} // namespace keywright::widgets
