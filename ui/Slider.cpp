#include "ui/Slider.h"

namespace keywright::ui {

Slider::Slider(QWidget* parent) : QSlider(parent) {
    setOrientation(Qt::Horizontal);
    // Every move of the user's goes through triggerAction, which reports the
    // action with the slider position already moved and then sets the value.
    // Actions that move nothing are followed by no value change and leave no
    // mark behind.
    connect(this, &QAbstractSlider::actionTriggered, this,
            [this] { userMove_ = sliderPosition() != value(); });
    connect(this, &QAbstractSlider::valueChanged, this, [this](int position) {
        if (!userMove_)
            return;
        userMove_ = false;
        Event event;
        event.id = kSliderPosEvent;
        event.value = position;
        RaiseEvent(this, event);
    });
}

} // namespace keywright::ui
