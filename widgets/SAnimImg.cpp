#include "widgets/SAnimImg.h"

#include "ui/Skin.h"
#include "ui/Toolkit.h"
#include "widgets/Attributes.h"

#include <QPainter>

namespace keywright::widgets {

SAnimImg::SAnimImg(QWidget* parent) : ui::Window(parent), timeline_(ui::SharedTimeline()) {
    if (timeline_ != nullptr)
        timeline_->Register(this);
}

SAnimImg::~SAnimImg() {
    if (timeline_ != nullptr)
        timeline_->Unregister(this);
}

void SAnimImg::SetIntervalValue(const QVariant& value) {
    ApplyIntAttribute(value, interval_, "interval", this);
}

void SAnimImg::SetAutorunValue(const QVariant& value) {
    ApplyIntAttribute(value, autorun_, "autorun", this);
}

void SAnimImg::SetInAnimation(const QString& skin) {
    inAnimation_ = skin;
    updateGeometry();
    update();
}

void SAnimImg::SetOutAnimation(const QString& skin) {
    outAnimation_ = skin;
    update();
}

int SAnimImg::States(const QString& skin) const {
    return skin.isEmpty() ? 0 : ui::FindSkin(skin, this).States();
}

void SAnimImg::OnLoaded() {
    ui::Window::OnLoaded();
    if (created_)
        return;
    created_ = true;
    if (autorun_ >= 0) {
        waiting_ = true;
        runWait_ = qint64{autorun_} * 1000;
    }
}

void SAnimImg::enterEvent(QEnterEvent* event) {
    ++hoverCount_;
    state_ = State::PlayingIn;
    frame_ = 0;
    frameTime_ = 0;
    waitTime_ = 0;
    update();
    ui::Window::enterEvent(event);
}

void SAnimImg::leaveEvent(QEvent* event) {
    --hoverCount_;
    ui::Window::leaveEvent(event);
}

void SAnimImg::OnNextFrame() {
    if (state_ != State::Still) {
        frameTime_ += kTickMs;
        if (frameTime_ >= interval_) {
            Advance();
            frameTime_ = 0;
        }
    }
    if (waiting_) {
        waitTime_ += kTickMs;
        if (waitTime_ >= runWait_) {
            waitTime_ = 0;
            frame_ = 0;
            waiting_ = false;
            state_ = State::PlayingIn;
        }
    }
}

void SAnimImg::Advance() {
    if (state_ == State::PlayingIn) {
        const int states = States(inAnimation_);
        if (states == 0)
            return;
        ++frame_;
        if (frame_ >= states) {
            if (autorun_ != -1) {
                state_ = State::Still;
                waiting_ = true;
            } else {
                frame_ = states - 1;
                if (hoverCount_ <= 0 && States(outAnimation_) > 0) {
                    state_ = State::PlayingOut;
                    frame_ = 0;
                    frameTime_ = 0;
                }
            }
        }
        update();
    } else if (state_ == State::PlayingOut) {
        const int states = States(outAnimation_);
        if (states == 0)
            return;
        if (frame_ < states - 1) {
            ++frame_;
            update();
        } else {
            state_ = State::Still;
        }
    }
}

SAnimImg::Look SAnimImg::CurrentLook() const {
    if (state_ == State::PlayingIn && States(inAnimation_) > 0)
        return {Look::In, frame_};
    if (state_ == State::PlayingOut && States(outAnimation_) > 0)
        return {Look::Out, frame_};
    if (States(inAnimation_) > 0)
        return {Look::In, 0};
    return {};
}

void SAnimImg::paintEvent(QPaintEvent*) {
    const Look look = CurrentLook();
    if (look.source == Look::None)
        return;
    const ui::Skin skin =
        ui::FindSkin(look.source == Look::In ? inAnimation_ : outAnimation_, this);
    QPainter painter(this);
    skin.Draw(painter, rect(), look.state);
}

QSize SAnimImg::sizeHint() const {
    const ui::Skin in = ui::FindSkin(inAnimation_, this);
    return in.IsNull() ? QSize(0, 0) : in.Size();
}

} // namespace keywright::widgets
