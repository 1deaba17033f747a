#include "ui/MessageBox.h"

#include "ui/WindowTexts.h"

#include <QMessageBox>

namespace keywright::ui {

int ShowMessageBox(QWidget* owner, const QString& caption, const QString& text,
                   MessageButtons buttons) {
    QMessageBox box(owner != nullptr ? owner->window() : nullptr);
    box.setObjectName(QStringLiteral("msgbox"));
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(Tr(caption));
    box.setText(Tr(text));
    box.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    if (buttons == MessageButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    } else {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    return box.exec() == QMessageBox::Ok ? kMessageOk : kMessageCancel;
}

} // namespace keywright::ui
