#pragma once

#include <QObject>
#include <QTimer>
#include <vector>

namespace keywright::ui {

// The animation clock: one timer that calls every registered handler each
// 10 ms on the UI thread. It runs only while handlers are registered.
class Timeline : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 10;

    class IHandler {
      public:
        virtual ~IHandler() = default;
        // One tick; each counts as kIntervalMs, however late it comes.
        virtual void OnNextFrame() = 0;
    };

    Timeline();

    // Adding a registered handler again, or removing an unknown one, changes
    // nothing. A handler must unregister before it is destroyed.
    void Register(IHandler* handler);
    void Unregister(IHandler* handler);
    bool IsRegistered(const IHandler* handler) const;
    bool IsRunning() const { return timer_.isActive(); }

    // One tick now: every handler registered when it starts, in registration
    // order, except those unregistered meanwhile (a handler may unregister
    // itself or another).
    void Tick();

  private:
    QTimer timer_;
    std::vector<IHandler*> handlers_;
};

} // namespace keywright::ui
