#pragma once

#include "ui/Control.h"
#include "ui/Event.h"
#include "ui/WindowTree.h"

#include <QString>
#include <QWidget>
#include <map>
#include <utility>

namespace keywright::ui {

// A top-level window built from a layout ("hostwnd"). Its controls' events
// reach it after their own subscribers: HandleEvent looks the event up in
// the window's event map, first by the sender's name, then by its ID.
//
// Creating the window (Create) loads the layout and then runs OnInit, the
// window's initialisation. Destroying it (DestroyWindow) hides it for good;
// the object itself lives on until its owner deletes it. The main window's
// destruction ends the message loop (RunMessageLoop).
//
// The layout's top widget may carry the dynamic property "frameless" = true:
// the window then has no system frame and is dragged by any part of it that
// does not take the press itself.
class HostWindow : public QWidget, public Control, public IEventHost {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("hostwnd", Control)
  public:
    // A message posted to the window; the numbers are the poster's.
    struct Message {
        int id = 0;
        quintptr wParam = 0;
        qintptr lParam = 0;
    };

    explicit HostWindow(QString layoutId, QWidget* parent = nullptr);

    // Loads the layout (the first time only) and runs OnInit. False when the
    // layout cannot be loaded: the window then has no content, and OnInit
    // runs all the same.
    bool Create();
    bool IsCreated() const { return created_; }
    // The layout's top widget; null when there is none.
    QWidget* Root() const { return root_; }
    const QString& LayoutError() const { return layoutError_; }

    // Control lookups in this window (see WindowTree.h).
    template <class T>
    T* Find(const QString& name) const {
        return ui::Find<T>(this, name);
    }
    template <class T>
    T* Find(int id) const {
        return ui::Find<T>(this, id);
    }

    // The event map. An entry for (event, name) or (event, ID) replaces an
    // earlier one of the same key.
    void OnEvent(int eventId, const QString& name, EventHandler handler);
    void OnEvent(int eventId, int controlId, EventHandler handler);
    void OnCommand(const QString& name, EventHandler handler);
    void OnCommand(int controlId, EventHandler handler);

    // Runs the entry for the sender's name, else the entry for its ID, and
    // marks the event handled when one ran. Windows may override it to route
    // differently.
    void HandleEvent(Event& event) override;

    // Queues `message` for OnMessage on the window's thread. May be called
    // from any thread, as long as the window exists during the call (a
    // poster stops posting before the window goes). Messages still queued
    // when the window is deleted are dropped.
    void Post(const Message& message);

    // Centres the window on its screen.
    void CenterOnScreen();

    // Destroys the window: runs OnDestroy once, hides the window and reports
    // WindowDestroyed. Later calls do nothing.
    void DestroyWindow();
    bool IsDestroyed() const { return destroyed_; }

  signals:
    void WindowDestroyed();

  protected:
    // The window's initialisation, after its layout is loaded.
    virtual void OnInit() {}
    // A posted message, on the window's thread.
    virtual void OnMessage(const Message&) {}
    // The user closed the window (system menu, title bar, taskbar). By
    // default the window is destroyed.
    virtual void OnClose() { DestroyWindow(); }
    // The window is being destroyed.
    virtual void OnDestroy() {}

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QString layoutId_;
    QString layoutError_;
    QWidget* root_ = nullptr;
    bool created_ = false;
    bool destroyed_ = false;
    std::map<std::pair<int, QString>, EventHandler> byName_;
    std::map<std::pair<int, int>, EventHandler> byId_;
};

// Runs the message loop until `mainWindow` is destroyed and returns 1, the
// code its destruction ends the loop with, or the code of an earlier
// QCoreApplication::exit. A window destroyed before the loop starts (during
// its initialisation) ends it at once. Closing other windows, or hiding
// every window, does not end it.
int RunMessageLoop(HostWindow& mainWindow);

} // namespace keywright::ui
