#pragma once

#include "ui/StockControls.h"

#include <QString>
#include <QVariant>

namespace keywright::widgets {

class STabCtrl2;

// A page of STabCtrl2 ("page2"): the toolkit's tab page with the icon
// animations its header plays.
//
// Layout attributes besides the page's own ("title" as the tab's title):
//   "ani_in"     skin whose states are the frames played while the pointer
//                moves onto the page's header; its last frame holds
//   "ani_out"    skin played once when the pointer leaves the header
//   "iconIndex"  state of the tab control's "iconSkin" shown in the header
//                when no animation plays; -1 (default): the header's index
class STabPage2 : public ui::TabPage {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("page2", ui::TabPage)
    Q_PROPERTY(QString ani_in READ InAnimation WRITE SetInAnimation)
    Q_PROPERTY(QString ani_out READ OutAnimation WRITE SetOutAnimation)
    Q_PROPERTY(QVariant iconIndex READ IconIndexValue WRITE SetIconIndexValue)

  public:
    enum class State { Still = 0, AnimatingIn = 1, AnimatingOut = 2 };

    explicit STabPage2(QWidget* parent = nullptr);

    const QString& InAnimation() const { return inAnimation_; }
    void SetInAnimation(const QString& skin) { inAnimation_ = skin; }
    const QString& OutAnimation() const { return outAnimation_; }
    void SetOutAnimation(const QString& skin) { outAnimation_ = skin; }
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index) { iconIndex_ = index; }

    State AnimationState() const { return state_; }
    int Frame() const { return frame_; }
    int Countdown() const { return countdown_; }

  private:
    friend class STabCtrl2; // runs the animation

    QVariant IconIndexValue() const { return iconIndex_; }
    void SetIconIndexValue(const QVariant& value);

    State state_ = State::Still;
    int frame_ = 0;
    int countdown_ = 0; // ms left on the current frame
    QString inAnimation_;
    QString outAnimation_;
    int iconIndex_ = -1;
};

} // namespace keywright::widgets
