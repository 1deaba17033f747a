#pragma once

#include "ui/Control.h"

#include <QSlider>

namespace keywright::ui {

// A slider ("sliderbar"). It raises a slider position event when the user
// moves it (drag, click on the groove, wheel, keys), with the new position,
// after the position has changed. Positions set from code raise nothing.
class Slider : public QSlider, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("sliderbar", Control)
  public:
    explicit Slider(QWidget* parent = nullptr);

    int Value() const { return value(); }
    void SetValue(int value) { setValue(value); }

  private:
    bool userMove_ = false;
};

} // namespace keywright::ui
