#include "app/CMessageBox.h"

#include "ui/StockControls.h"
#include "ui/WindowTexts.h"

namespace keywright::app {

CMessageBox::CMessageBox(QWidget* owner, QString caption, QString text, ui::MessageButtons buttons)
    : ui::HostDialog(QStringLiteral("LAYOUT:XML_MSGBOX"),
                     owner != nullptr ? owner->window() : nullptr),
      caption_(std::move(caption)), text_(std::move(text)), buttons_(buttons) {
    // With an owner the box is still a window of its own, above the owner.
    setWindowFlag(Qt::Window);
}

void CMessageBox::OnInit() {
    ui::SetText(this, caption_);
    if (QWidget* title = Find<ui::Text>(QStringLiteral("msgtitle")))
        ui::SetText(title, caption_);
    if (QWidget* text = Find<ui::Text>(QStringLiteral("msgtext")))
        ui::SetText(text, text_);
    if (buttons_ == ui::MessageButtons::Ok) {
        if (QWidget* cancel = Find<ui::Button>(QStringLiteral("button2nd")))
            cancel->hide();
    }
    OnCommand(QStringLiteral("button1st"), [this](ui::Event&) { EndDialog(ui::kMessageOk); });
    OnCommand(QStringLiteral("button2nd"), [this](ui::Event&) { EndDialog(ui::kMessageCancel); });
}

void CMessageBox::OnClose() {
    EndDialog(buttons_ == ui::MessageButtons::Ok ? ui::kMessageOk : ui::kMessageCancel);
}

int ShowPackageMessageBox(QWidget* owner, const QString& caption, const QString& text,
                          ui::MessageButtons buttons) {
    CMessageBox box(owner, caption, text, buttons);
    if (!box.Create())
        return ui::ShowMessageBox(owner, caption, text, buttons);
    if (owner != nullptr && owner->isVisible()) {
        const QRect frame = owner->window()->frameGeometry();
        box.move(frame.center() - box.rect().center());
    } else {
        box.CenterOnScreen();
    }
    const int code = box.DoModal();
    // A box that asks nothing answers OK however it is closed.
    return code == ui::kMessageOk || buttons == ui::MessageButtons::Ok ? ui::kMessageOk
                                                                       : ui::kMessageCancel;
}

} // namespace keywright::app
