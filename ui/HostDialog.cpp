#include "ui/HostDialog.h"

#include <QEventLoop>
#include <QKeyEvent>

namespace keywright::ui {

HostDialog::HostDialog(QString layoutId, QWidget* parent)
    : HostWindow(std::move(layoutId), parent) {
    setWindowFlag(Qt::Dialog);
    setWindowModality(Qt::ApplicationModal);
}

int HostDialog::DoModal() {
    ended_ = false;
    if (!IsCreated())
        Create();
    if (!ended_ && IsDestroyed())
        EndDialog(kCancelCode);
    if (ended_)
        return code_;
    QEventLoop loop;
    connect(this, &HostDialog::DialogEnded, &loop, &QEventLoop::quit);
    // A dialog destroyed while it runs ends as if cancelled; its loop would
    // otherwise wait for a window that is gone.
    const auto destroyed = connect(this, &HostWindow::WindowDestroyed, this, [this] {
        if (!ended_)
            EndDialog(kCancelCode);
    });
    running_ = true;
    show();
    raise();
    activateWindow();
    loop.exec(QEventLoop::DialogExec);
    running_ = false;
    disconnect(destroyed);
    return code_;
}

void HostDialog::EndDialog(int code) {
    code_ = code;
    ended_ = true;
    hide();
    emit DialogEnded();
}

void HostDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        EndDialog(kCancelCode);
        return;
    }
    HostWindow::keyPressEvent(event);
}

} // namespace keywright::ui
