#include "ui/HostWindow.h"

#include "ui/Toolkit.h"
#include "ui/WindowTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace keywright::ui {
namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class MessageEvent : public QEvent {
  public:
    explicit MessageEvent(const HostWindow::Message& message)
        : QEvent(kMessageEvent), message_(message) {}
    const HostWindow::Message& Get() const { return message_; }

  private:
    HostWindow::Message message_;
};

} // namespace

HostWindow::HostWindow(QString layoutId, QWidget* parent)
    : QWidget(parent, Qt::Window), layoutId_(std::move(layoutId)) {}

bool HostWindow::Create() {
    if (!created_) {
        created_ = true;
        // Loaded on its own and then put in place: events its controls raise
        // while the layout is built do not reach this window before OnInit.
        Toolkit* toolkit = Toolkit::Instance();
        root_ =
            toolkit != nullptr ? toolkit->LoadLayout(layoutId_, nullptr, &layoutError_) : nullptr;
        if (toolkit == nullptr)
            layoutError_ = QStringLiteral("no toolkit");
        if (root_ != nullptr) {
            auto* layout = new QVBoxLayout(this);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            resize(root_->size());
            layout->addWidget(root_);
            root_->show();
            SetText(this, SourceText(root_));
            if (root_->property("frameless").toBool())
                setWindowFlag(Qt::FramelessWindowHint);
        }
        OnInit();
    }
    return root_ != nullptr;
}

void HostWindow::OnEvent(int eventId, const QString& name, EventHandler handler) {
    byName_[{eventId, name}] = std::move(handler);
}

void HostWindow::OnEvent(int eventId, int controlId, EventHandler handler) {
    byId_[{eventId, controlId}] = std::move(handler);
}

void HostWindow::OnCommand(const QString& name, EventHandler handler) {
    OnEvent(kCommandEvent, name, std::move(handler));
}

void HostWindow::OnCommand(int controlId, EventHandler handler) {
    OnEvent(kCommandEvent, controlId, std::move(handler));
}

void HostWindow::HandleEvent(Event& event) {
    EventHandler handler;
    if (!event.name.isEmpty()) {
        if (const auto it = byName_.find({event.id, event.name}); it != byName_.end())
            handler = it->second;
    }
    if (!handler && event.controlId != 0) {
        if (const auto it = byId_.find({event.id, event.controlId}); it != byId_.end())
            handler = it->second;
    }
    if (!handler)
        return;
    // A copy: the handler may replace its own entry.
    handler(event);
    event.handled = true;
}

void HostWindow::Post(const Message& message) {
    QCoreApplication::postEvent(this, new MessageEvent(message));
}

void HostWindow::CenterOnScreen() {
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(shown->availableGeometry().center());
    move(frame.topLeft());
}

void HostWindow::DestroyWindow() {
    if (destroyed_)
        return;
    destroyed_ = true;
    OnDestroy();
    hide();
    emit WindowDestroyed();
}

bool HostWindow::event(QEvent* event) {
    if (event->type() == kMessageEvent) {
        OnMessage(static_cast<MessageEvent*>(event)->Get());
        return true;
    }
    return QWidget::event(event);
}

void HostWindow::closeEvent(QCloseEvent* event) {
    // The window decides in OnClose; Qt itself never closes it.
    event->ignore();
    OnClose();
}

void HostWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowFlags().testFlag(Qt::FramelessWindowHint) &&
        windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

int RunMessageLoop(HostWindow& mainWindow) {
    QApplication::setQuitOnLastWindowClosed(false);
    if (mainWindow.IsDestroyed())
        return 1;
    const QMetaObject::Connection ending = QObject::connect(
        &mainWindow, &HostWindow::WindowDestroyed, qApp, [] { QCoreApplication::exit(1); });
    const int code = QApplication::exec();
    QObject::disconnect(ending);
    return code;
}

} // namespace keywright::ui
