#pragma once

#include <QString>

class QWidget;

namespace keywright::ui {

enum class MessageButtons { Ok, OkCancel };

// What ShowMessageBox returns.
inline constexpr int kMessageOk = 1;
inline constexpr int kMessageCancel = 2;

// The program's modal message box: caption, text and buttons, both texts
// translated like window texts. Modal to `owner`'s window, or to the whole
// program without owner. Returns kMessageOk or kMessageCancel; closing the
// box counts as Cancel, or as OK when OK is its only button.
int ShowMessageBox(QWidget* owner, const QString& caption, const QString& text,
                   MessageButtons buttons = MessageButtons::Ok);

} // namespace keywright::ui
