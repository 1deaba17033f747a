#pragma once

#include "ui/HostWindow.h"

namespace keywright::ui {

// A modal window built from a layout ("hostdlg", also "hostwnd"). DoModal
// shows it modal to every other window of the program and returns when
// EndDialog is called, with the code EndDialog was given.
class HostDialog : public HostWindow {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("hostdlg", HostWindow)
  public:
    // The code a dialog closed by the user (title bar, Escape) ends with.
    static constexpr int kCancelCode = 2;

    explicit HostDialog(QString layoutId, QWidget* parent = nullptr);

    // Creates the window if it is not yet created (which runs OnInit), then,
    // unless EndDialog was called meanwhile, shows it and runs a message loop
    // until EndDialog. Returns the code given to EndDialog; kCancelCode when
    // the window is destroyed (DestroyWindow) before or while it runs.
    int DoModal();
    // Ends DoModal with `code` and hides the window.
    void EndDialog(int code);
    bool IsRunning() const { return running_; }

  signals:
    void DialogEnded();

  protected:
    void OnClose() override { EndDialog(kCancelCode); }
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool running_ = false;
    bool ended_ = false;
    int code_ = 0;
};

} // namespace keywright::ui
