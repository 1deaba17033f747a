#pragma once

#include "ui/StockControls.h"
#include "ui/Timeline.h"

#include <QPointer>
#include <QString>
#include <QVariant>

namespace keywright::widgets {

// The animated image ("anmimg"): plays an in-animation skin frame by frame,
// on hover or by itself at intervals, and an out-animation after the pointer
// has left. Driven by the toolkit's timeline, 10 ms per tick.
//
// Layout attributes:
//   "ani_in", "ani_out"  skins whose states are the frames
//   "interval"  ms per frame (default 50), decimal or 0x text
//   "autorun"   -1 (default): plays when the pointer comes, holds the last
//               frame while it stays and plays "ani_out" once it has left;
//               n >= 0: plays by itself n seconds after creation and again
//               n seconds after each run (0: in a loop)
// The natural size is the size of "ani_in".
//
// Creation ends with OnLoaded (the layout loader calls it once every
// attribute is set; code that makes one calls it itself): a timed start is
// then set up. The widget is on the timeline from construction to
// destruction.
class SAnimImg : public ui::Window, public ui::Timeline::IHandler {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("anmimg", ui::Window)
    Q_PROPERTY(QVariant interval READ IntervalValue WRITE SetIntervalValue)
    Q_PROPERTY(QVariant autorun READ AutorunValue WRITE SetAutorunValue)
    Q_PROPERTY(QString ani_in READ InAnimation WRITE SetInAnimation)
    Q_PROPERTY(QString ani_out READ OutAnimation WRITE SetOutAnimation)

  public:
    static constexpr int kTickMs = ui::Timeline::kIntervalMs;

    enum class State { Still = 0, PlayingIn = 1, PlayingOut = 2 };

    // What the widget draws: a state of one of its skins.
    struct Look {
        enum Source { None, In, Out } source = None;
        int state = 0;
        friend bool operator==(const Look&, const Look&) = default;
    };

    explicit SAnimImg(QWidget* parent = nullptr);
    ~SAnimImg() override;

    int Interval() const { return interval_; }
    void SetInterval(int ms) { interval_ = ms; }
    int Autorun() const { return autorun_; }
    void SetAutorun(int seconds) { autorun_ = seconds; }
    const QString& InAnimation() const { return inAnimation_; }
    void SetInAnimation(const QString& skin);
    const QString& OutAnimation() const { return outAnimation_; }
    void SetOutAnimation(const QString& skin);

    State CurrentState() const { return state_; }
    int Frame() const { return frame_; }
    bool Waiting() const { return waiting_; }
    int HoverCount() const { return hoverCount_; }
    Look CurrentLook() const;

    void OnLoaded() override;
    // One tick of the timeline.
    void OnNextFrame() override;

    QSize sizeHint() const override;

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QVariant IntervalValue() const { return interval_; }
    void SetIntervalValue(const QVariant& value);
    QVariant AutorunValue() const { return autorun_; }
    void SetAutorunValue(const QVariant& value);
    int States(const QString& skin) const;
    void Advance();

    int interval_ = 50;
    int autorun_ = -1;
    qint64 runWait_ = 0; // ms
    bool waiting_ = false;
    int hoverCount_ = 0;
    State state_ = State::Still;
    int frame_ = 0;
    qint64 frameTime_ = 0; // ms on the current frame
    qint64 waitTime_ = 0;  // ms waited for the timed start
    QString inAnimation_;
    QString outAnimation_;
    QPointer<ui::Timeline> timeline_;
    bool created_ = false;
};

} // namespace keywright::widgets
