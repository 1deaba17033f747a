#pragma once

#include "ui/HostDialog.h"
#include "ui/MessageBox.h"

#include <QString>

namespace keywright::app {

// The program's message box, from the layout "LAYOUT:XML_MSGBOX" of the
// resource package: the caption in "msgtitle", the text in "msgtext", both
// translated like every window text; "button1st" answers OK, "button2nd"
// Cancel (hidden for a box with OK only). Closing the box answers Cancel, or
// OK when OK is its only button.
class CMessageBox : public ui::HostDialog {
    Q_OBJECT
  public:
    CMessageBox(QWidget* owner, QString caption, QString text, ui::MessageButtons buttons);

  protected:
    void OnInit() override;
    void OnClose() override;

  private:
    QString caption_;
    QString text_;
    ui::MessageButtons buttons_;
};

// Shows the box modally and returns ui::kMessageOk or ui::kMessageCancel.
// Where the package has no such layout, the toolkit's stock box stands in.
int ShowPackageMessageBox(QWidget* owner, const QString& caption, const QString& text,
                          ui::MessageButtons buttons);

} // namespace keywright::app
