#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>

class QEvent;

namespace keywright::sim {
class SimFilterService;
}

namespace keywright::app {

// On the simulated world, the keys typed into the program's windows stand
// for the keyboard's own: each press and release (not the auto-repeats) is
// also handed to the simulated filter driver as a key event of the keyboard
// page, so assignments and macros can be tried without the hardware. The
// windows still get the keys as well.
class SimulatedKeyboardInput : public QObject {
    Q_OBJECT
  public:
    // Watches every window of the application while it lives.
    explicit SimulatedKeyboardInput(sim::SimFilterService& filter);
    ~SimulatedKeyboardInput() override;

    // The keyboard-page usage of a Qt key; nullopt for keys the keyboard
    // page does not have.
    static std::optional<std::uint16_t> UsageOf(int qtKey);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    sim::SimFilterService& filter_;
    // The event last seen and where: an event that its widget leaves to the
    // widget's parents passes the filter again, once for each of them.
    const QEvent* lastEvent_ = nullptr;
    int lastType_ = 0;
    QPointer<QWidget> lastReceiver_;
};

} // namespace keywright::app
